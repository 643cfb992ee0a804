#pragma once

#include <optional>
#include <string>
#include <vector>

// One measurement: a time in milliseconds, or why there is none ("timeout", "exited").
struct Timing
{
    double ms = 0;
    std::string miss;

    static Timing of(double ms) { return {ms, {}}; }
    static Timing missed(const std::string &why) { return {0, why}; }
    bool ok() const { return miss.empty(); }
};

// The measurements of one case for one program over several runs. A run that never got there
// counts as slower than any that did, so the median says "timeout" once half the runs missed.
class Samples
{
public:
    void add(const Timing &timing);
    bool empty() const { return m_values.empty() && m_misses.empty(); }

    std::optional<double> median() const;
    // "512.3", or why there is no median; `decimals` for counts.
    std::string medianText(int decimals = 1) const;
    // "min 480.1, max 560.0, 5 of 5 runs"
    std::string spreadText(int decimals = 1) const;

    // "1.23 x", or "-" when either has no median.
    static std::string ratioText(const Samples &numerator, const Samples &denominator);

private:
    std::vector<double> m_values;
    std::vector<std::string> m_misses;
};
