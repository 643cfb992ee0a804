#include "BenchPictures.h"

#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <thread>

namespace {

// Far enough apart (70 a channel) that JPEG and scaling never turn one into another.
std::vector<Rgb> makeColours()
{
    const int levels[] = {30, 100, 170, 240};
    std::vector<Rgb> colours;
    for (int r : levels) {
        for (int g : levels) {
            for (int b : levels) {
                // Greys are what the screen shows when no picture is (black, white, window
                // grey), and yellows are near the program's own main window.
                if ((r != g || g != b) && !(r == 240 && b == 30))
                    colours.push_back({r, g, b});
            }
        }
    }
    return colours;
}

// Cheap and good enough for noise; 24 million pixels a picture.
struct XorShift
{
    quint32 state;
    quint32 next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
};

QImage photoLike(int width, int height, const Rgb &patch, quint32 seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    XorShift random{seed * 2654435761u + 1u};
    const int tint = int(seed % 7) * 9;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const quint32 bits = random.next();
            // Luminance noise with a little colour noise, as a camera sensor gives.
            const int grain = int(bits & 31) - 16;
            const int r = x * 180 / width + tint + grain + int((bits >> 8) & 7);
            const int g = y * 160 / height + 40 + grain + int((bits >> 11) & 7);
            const int b = 80 + ((x / 9 + y / 6) % 80) + grain + int((bits >> 14) & 7);
            line[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 30; ++i) {
        const quint32 bits = random.next();
        painter.setBrush(QColor::fromHsv(int(bits % 360), 150, 190, 110));
        const int rx = width / 40 + int((bits >> 9) % quint32(width / 6));
        const int ry = height / 40 + int((bits >> 17) % quint32(height / 6));
        painter.drawEllipse(QPoint(int(random.next() % quint32(width)), int(random.next() % quint32(height))), rx, ry);
    }
    // A tenth of the picture's width: at 3/8 scale on any screen it is still 20 pixels and more.
    const int side = std::max(64, width / 10);
    painter.fillRect(QRect(width / 2 - side / 2, height / 2 - side / 2, side, side), QColor(patch.r, patch.g, patch.b));
    return image;
}

void writeJpeg(const QImage &image, const std::string &path)
{
    // Written aside and renamed, so that an interrupted run never leaves half a picture.
    const std::string partial = path + ".partial";
    QImageWriter writer(QString::fromStdString(partial), "jpeg");
    writer.setQuality(90);
    if (!writer.write(image))
        throw std::runtime_error("cannot write " + path + ": " + writer.errorString().toStdString());
    std::filesystem::rename(partial, path);
}

// Two at a time: the machine is shared, and a 24 MP JPEG takes about a second to write.
void runInParallel(const std::vector<std::function<void()>> &jobs)
{
    std::atomic<std::size_t> nextJob{0};
    std::exception_ptr failure;
    std::atomic_flag failed = ATOMIC_FLAG_INIT;
    auto worker = [&] {
        for (std::size_t i = nextJob++; i < jobs.size(); i = nextJob++) {
            try {
                jobs[i]();
            } catch (...) {
                if (!failed.test_and_set())
                    failure = std::current_exception();
            }
        }
    };
    std::thread helper(worker);
    worker();
    helper.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

BenchPictures::BenchPictures(const std::string &folder)
    : m_folder(folder)
{
    std::filesystem::create_directories(photoFolder());
    std::filesystem::create_directories(smallFolder());
    std::filesystem::create_directories(m_folder + "/held");
    std::vector<std::function<void()>> jobs;
    const std::vector<std::string> held = heldFiles();
    for (int i = 0; i < HeldPictures; ++i) {
        if (!std::filesystem::exists(held[std::size_t(i)]))
            jobs.push_back([this, i, path = held[std::size_t(i)]] {
                writeJpeg(photoLike(PhotoWidth, PhotoHeight, heldColour(i), quint32(i + 1)), path);
            });
    }
    if (!std::filesystem::exists(smallFile()))
        jobs.push_back([this] { writeJpeg(photoLike(SmallWidth, SmallHeight, smallColour(), 99), smallFile()); });
    if (!jobs.empty())
        std::fprintf(stderr, "bench_onscreen: making %zu test pictures in %s\n", jobs.size(), folder.c_str());
    runInParallel(jobs);
    // The photo of the first-picture runs is the first held picture, alone in its folder.
    if (!std::filesystem::exists(photoFile()))
        std::filesystem::copy_file(held.front(), photoFile());
}

std::vector<std::string> BenchPictures::heldFiles() const
{
    std::vector<std::string> files;
    for (int i = 1; i <= HeldPictures; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/held/picture-%02d.jpg", i);
        files.push_back(m_folder + name);
    }
    return files;
}

const std::vector<Rgb> &BenchPictures::colours()
{
    static const std::vector<Rgb> all = makeColours();
    return all;
}

bool BenchPictures::isPictureColour(const Rgb &colour)
{
    const std::vector<Rgb> &all = colours();
    return std::any_of(all.begin(), all.end(), [&](const Rgb &c) { return c.isNear(colour, Tolerance); });
}

int BenchPictures::heldNumberOf(const Rgb &colour)
{
    for (int i = 0; i < HeldPictures; ++i) {
        if (colours()[std::size_t(i)].isNear(colour, Tolerance))
            return i + 1;
    }
    return 0;
}
