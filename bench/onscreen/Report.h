#pragma once

#include "Samples.h"

#include <string>
#include <utility>
#include <vector>

// The benchmark's printed results: per case one line per program with its median, then the
// ratios of each Pictarra build to feh, to nsxiv and to the first build.
class Report
{
public:
    using Rows = std::vector<std::pair<std::string, Samples>>;

    explicit Report(std::vector<std::string> pictarraLabels);

    // A section heading with the machine's load at that moment (other work shares it).
    void heading(const std::string &text) const;
    void table(const std::string &title, const Rows &rows, const char *unit, bool withRatios) const;
    void note(const std::string &text) const;

    // The one-minute load average, as /proc/loadavg has it.
    static std::string loadAverage();

private:
    std::vector<std::string> m_pictarraLabels;
};
