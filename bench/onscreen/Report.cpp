#include "Report.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

const Samples *rowOf(const Report::Rows &rows, const std::string &label)
{
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const auto &r) { return r.first == label; });
    return row == rows.end() || row->second.empty() ? nullptr : &row->second;
}

} // namespace

Report::Report(std::vector<std::string> pictarraLabels)
    : m_pictarraLabels(std::move(pictarraLabels))
{
}

std::string Report::loadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string oneMinute;
    file >> oneMinute;
    return oneMinute.empty() ? "?" : oneMinute;
}

void Report::heading(const std::string &text) const
{
    std::printf("\n== %s   [load average %s]\n", text.c_str(), loadAverage().c_str());
    std::fflush(stdout);
}

void Report::note(const std::string &text) const
{
    std::printf("  %s\n", text.c_str());
    std::fflush(stdout);
}

void Report::table(const std::string &title, const Rows &rows, const char *unit, bool withRatios) const
{
    std::printf("%s\n", title.c_str());
    const int decimals = *unit ? 1 : 0;
    for (const auto &[label, samples] : rows) {
        if (samples.empty())
            continue;
        const bool hasMedian = samples.median().has_value();
        std::printf("  %-12s %9s %-3s (%s)\n", label.c_str(), samples.medianText(decimals).c_str(),
                    hasMedian ? unit : "", samples.spreadText(decimals).c_str());
    }
    if (withRatios) {
        std::string ratios;
        for (const std::string &label : m_pictarraLabels) {
            const Samples *pictarra = rowOf(rows, label);
            if (!pictarra)
                continue;
            for (const std::string &other : {std::string("feh"), std::string("nsxiv"), m_pictarraLabels.front()}) {
                const Samples *baseline = rowOf(rows, other);
                if (baseline && other != label)
                    ratios += "   " + label + "/" + other + " " + Samples::ratioText(*pictarra, *baseline);
            }
        }
        if (!ratios.empty())
            std::printf("  ratios:%s\n", ratios.c_str());
    }
    std::fflush(stdout);
}
