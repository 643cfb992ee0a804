#pragma once

#include <QtGlobal>

#include <stop_token>

class QIODevice;

// What a JPEG file's markers say about the work of decoding it, found by walking its bytes:
// marker segments are skipped by their lengths and entropy-coded data by looking for the next
// marker, so nothing is decoded. Read before a decode, it lets a file that would take too long
// be refused before any time or memory is spent on it.
struct JpegStructure
{
    bool ok = false;            // a JPEG start marker, and the walk was not stopped
    int scans = 0;              // start-of-scan markers, counted up to one past `maxScans`
    qint64 keptSegmentBytes = 0; // APP1 and APP2 data the decoder keeps (EXIF, ICC)

    bool tooManyScans(int maxScans) const { return scans > maxScans; }

    // Walks `device` from its start. A single-scan file is walked only to its scan: the decoder
    // reads no further markers in one. The walk gives up once `stop` is requested, or once it
    // has counted more than `maxScans` scans.
    static JpegStructure read(QIODevice &device, const std::stop_token &stop, int maxScans);
};
