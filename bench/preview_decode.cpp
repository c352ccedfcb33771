// SPDX-License-Identifier: GPL-3.0-or-later
// Preview decoding: loadPictureFile() against a full decode followed by smooth scaling, on a 6000 x 4000 JPEG
// made here. Each variant runs in processes of its own, so that its peak memory is its own.
//
//   build/bench/bench_preview_decode [rounds]
#include "platform/picture_file.h"

#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace lumaport;

namespace {

const QSize kPictureSize(6000, 4000);
// The main window's preview box.
const QSize kBoxSize(393, 393);
constexpr double kSpeedTarget = 2.0;
constexpr double kMemoryTargetMB = 10.0;

// Something like a photo: smooth shading with fine grain, so the JPEG has a photo's size and decoding work.
bool makePicture(const QString& path)
{
    QImage image(kPictureSize, QImage::Format_RGB32);
    auto* random = QRandomGenerator::global();
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = static_cast<int>(random->bounded(24));
            const int r = static_cast<int>(127 + 100 * std::sin(x / 700.0)) + grain;
            const int g = static_cast<int>(127 + 100 * std::cos(y / 500.0)) + grain;
            const int b = (x + y) * 255 / (image.width() + image.height()) + grain / 2;
            line[x] = qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
        }
    }
    return image.save(path, "JPG", 90);
}

QImage decodeFull(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read().scaled(kBoxSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QImage decodeReduced(const QString& path)
{
    return loadPictureFile(path, kBoxSize).value_or(QImage());
}

// Child: decodes `runs` times and prints each time in ms, then the peak memory the decodes added, in KiB.
int runVariant(const QString& variant, const QString& path, int runs)
{
    QImageReader::supportedImageFormats(); // loads the plugins before the baseline is taken
    const qint64 baseline = bench::statusKiB("VmHWM:");
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        const QImage image = variant == QLatin1String("full") ? decodeFull(path) : decodeReduced(path);
        std::printf("%.3f ", static_cast<double>(timer.nsecsElapsed()) / 1e6);
        if (image.size() != kBoxSize) {
            std::fprintf(stderr, "%s decode failed\n", qPrintable(variant));
            return 1;
        }
    }
    std::printf("%lld\n", bench::statusKiB("VmHWM:") - baseline);
    return 0;
}

struct Figures
{
    std::vector<double> milliseconds;
    double addedMB = 0;

    double median() const { return bench::median(milliseconds); }
};

bool measure(const QString& variant, const QString& path, int runs, Figures& figures)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--variant"), variant, path, QString::number(runs)});
    if (!child.waitForFinished(-1) || child.exitCode() != 0)
        return false;
    const QList<QByteArray> fields = child.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != runs + 1)
        return false;
    for (int i = 0; i < runs; ++i)
        figures.milliseconds.push_back(fields[i].toDouble());
    figures.addedMB = std::max(figures.addedMB, fields[runs].toDouble() * 1024.0 / 1e6);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--variant"))
        return runVariant(args[2], args[3], args[4].toInt());

    // The variants take turns, so that other work on the machine weighs on both alike.
    const int rounds = args.size() > 1 ? std::max(1, args[1].toInt()) : 4;
    const int runs = 3;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("photo.jpg"));
    if (!dir.isValid() || !makePicture(path)) {
        std::fprintf(stderr, "cannot write the test picture\n");
        return 2;
    }
    std::printf("Picture: %d x %d JPEG, %.1f MB, shown in a %d x %d box; median of %d decodes per variant, "
                "in %d processes each\n",
                kPictureSize.width(), kPictureSize.height(), static_cast<double>(QFileInfo(path).size()) / 1e6,
                kBoxSize.width(), kBoxSize.height(), rounds * runs, rounds);

    Figures full;
    Figures reduced;
    for (int round = 0; round < rounds; ++round) {
        if (!measure(QStringLiteral("full"), path, runs, full) ||
            !measure(QStringLiteral("reduced"), path, runs, reduced)) {
            std::fprintf(stderr, "a variant failed\n");
            return 2;
        }
    }
    const double speedUp = full.median() / reduced.median();
    std::printf("full decode + smooth scaling    : %6.1f ms   peak memory +%5.1f MB\n", full.median(), full.addedMB);
    std::printf("reduced decode (loadPictureFile): %6.1f ms   peak memory +%5.1f MB\n", reduced.median(),
                reduced.addedMB);
    const bool fastEnough = speedUp >= kSpeedTarget;
    const bool smallEnough = reduced.addedMB < kMemoryTargetMB;
    std::printf("speed ratio: %.1fx (target >= %.0fx) %s\n", speedUp, kSpeedTarget, fastEnough ? "met" : "MISSED");
    std::printf("preview memory: +%.1f MB (target < %.0f MB) %s\n", reduced.addedMB, kMemoryTargetMB,
                smallEnough ? "met" : "MISSED");
    return fastEnough && smallEnough ? 0 : 1;
}
