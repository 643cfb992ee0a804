#pragma once

#include <QImage>

#include <vector>

// Reduces a picture that arrives row by row, each target pixel the average of the source area
// it covers (as QImage's smooth scaling reduces), so that a decoder never has to hold the
// picture whole at the size it decodes. 32-bit and 8-bit grey pictures.
class AreaDownscaler
{
public:
    // Fills `target` (of the source rows' format, Format_RGB32 or Format_Grayscale8, and no
    // larger than `sourceSize` either way) from the rows given to addRow().
    AreaDownscaler(QSize sourceSize, QImage &target);

    // The next source row; after the last one the target is complete.
    void addRow(const uchar *row);

private:
    // Which source pixels make each target pixel along one direction, with what weights: the
    // same number for every target pixel (the most any needs), the unneeded ones zero.
    struct Taps
    {
        int perTarget = 0;
        std::vector<int> first;       // per target pixel: its first source pixel
        std::vector<int> count;       // per target pixel: how many source pixels it takes
        std::vector<quint16> weights; // per target pixel, perTarget of them
    };
    static Taps tapsFor(int source, int target, int unit);

    template<int Count, int Channels>
    void reduceAcross(int width);
    void reduceRow(const uchar *row);
    void emitRow(int targetRow, std::vector<quint32> &sums);

    QImage &m_target;
    int m_channels;
    Taps m_columns;
    Taps m_rows;
    std::vector<quint64> m_source;   // a source row, a 16-bit lane per channel, zeros after it
    std::vector<quint64> m_laneWeights; // the weights across, laid out for two pixels at once
    std::vector<quint16> m_line;     // the row reduced across, channel by channel
    std::vector<quint32> m_sums[2];  // target rows being summed down, alternately
    int m_sourceRow = 0;
    int m_targetRow = 0;             // the first target row not yet complete
};
