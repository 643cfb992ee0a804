#include "Samples.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string number(double value, int decimals)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

} // namespace

void Samples::add(const Timing &timing)
{
    if (timing.ok())
        m_values.push_back(timing.ms);
    else
        m_misses.push_back(timing.miss);
}

std::optional<double> Samples::median() const
{
    const std::size_t count = m_values.size() + m_misses.size();
    if (count == 0)
        return std::nullopt;
    std::vector<double> sorted = m_values;
    std::sort(sorted.begin(), sorted.end());
    // Misses sort after every value.
    const std::size_t upper = count / 2;
    const std::size_t lower = count % 2 ? upper : upper - 1;
    if (upper >= sorted.size())
        return std::nullopt;
    return (sorted[lower] + sorted[upper]) / 2;
}

std::string Samples::medianText(int decimals) const
{
    if (const std::optional<double> value = median())
        return number(*value, decimals);
    if (m_misses.empty())
        return "-";
    // The commonest reason among the misses.
    std::string commonest = m_misses.front();
    for (const std::string &miss : m_misses) {
        if (std::count(m_misses.begin(), m_misses.end(), miss) > std::count(m_misses.begin(), m_misses.end(), commonest))
            commonest = miss;
    }
    return commonest;
}

std::string Samples::spreadText(int decimals) const
{
    const std::size_t count = m_values.size() + m_misses.size();
    std::string text;
    if (!m_values.empty()) {
        const auto [low, high] = std::minmax_element(m_values.begin(), m_values.end());
        text = "min " + number(*low, decimals) + ", max " + number(*high, decimals) + ", ";
    }
    text += std::to_string(m_values.size()) + " of " + std::to_string(count) + " runs";
    if (!m_misses.empty())
        text += ", missed: " + m_misses.front();
    return text;
}

std::string Samples::ratioText(const Samples &numerator, const Samples &denominator)
{
    const std::optional<double> top = numerator.median();
    const std::optional<double> bottom = denominator.median();
    if (!top || !bottom || *bottom <= 0)
        return "-";
    return number(*top / *bottom, 2) + " x";
}
