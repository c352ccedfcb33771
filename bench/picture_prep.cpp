// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures made ready for a forum, on a 6000x4000 JPEG from a phone with its position in EXIF: the removal of
// location and camera data against exiftool's whole process (exiftool -all=), and fitting within 1024 px
// (read, scale, write) against ImageMagick's whole process (convert -resize 1024x1024), in turns.
//
//   build/bench/bench_picture_prep [rounds]
#include "picture_prep/picture_metadata.h"
#include "picture_prep/prepared_picture.h"

#include "bench_support.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <exiv2/exiv2.hpp>

#include <cstdio>
#include <functional>

using namespace lumaport;

namespace {

constexpr double kRemovalTarget = 1.0;
constexpr double kScalingTarget = 1.0 / 1.5;

// Smooth shades with sensor-like noise, so the JPEG is as large as a phone's (several MB).
bool makePhoto(const QString& path)
{
    QImage image(6000, 4000, QImage::Format_RGB32);
    QRandomGenerator noise(42);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(noise.bounded(24));
            line[x] = qRgb((x / 24 + n) % 256, (y / 16 + n) % 256, ((x + y) / 40 + n) % 256);
        }
    }
    if (!image.save(path, "JPG", 92))
        return false;
    auto photo = Exiv2::ImageFactory::open(path.toStdString());
    photo->readMetadata();
    Exiv2::ExifData& exif = photo->exifData();
    exif["Exif.Image.Make"] = "PhoneMaker";
    exif["Exif.Image.Model"] = "Phone 12";
    exif["Exif.Image.Orientation"] = uint16_t(1);
    exif["Exif.Photo.BodySerialNumber"] = "SN123456789";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "48/1 51/1 3045/100";
    exif["Exif.GPSInfo.GPSLongitudeRef"] = "E";
    exif["Exif.GPSInfo.GPSMapDatum"] = "WGS-84";
    photo->writeMetadata();
    return true;
}

double timed(const std::function<bool()>& work)
{
    QElapsedTimer timer;
    timer.start();
    const bool done = work();
    return done ? double(timer.nsecsElapsed()) / 1e9 : -1;
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll().trimmed()) : QStringLiteral("?");
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 5;
    QTemporaryDir dir;
    const QString photo = dir.filePath(QStringLiteral("photo.jpg"));
    if (!dir.isValid() || !makePhoto(photo)) {
        std::fprintf(stderr, "cannot write the photo\n");
        return 2;
    }
    std::printf("%s: 6000x4000 JPEG, %lld bytes, %d rounds in turns\n", qPrintable(photo), QFile(photo).size(), rounds);
    std::printf("load average before (1, 5, 15 min, tasks, last pid): %s; the machine's 2 cores are shared with "
                "other developers' builds\n",
                qPrintable(loadAverage()));

    const QString out = dir.filePath(QStringLiteral("out.jpg"));
    struct Case
    {
        const char* name;
        std::function<bool()> work;
        std::vector<double> seconds;
    };
    PictureChoices fit;
    fit.fit = true;
    fit.maxSide = 1024;
    fit.maxKilobytes = 0;
    std::vector<Case> cases = {
        {"removal, ours (libexiv2)",
         [&] {
             QString error;
             return copyWithoutMetadata(photo, PictureKind::Jpeg, out, &error);
         },
         {}},
        {"removal, exiftool -all=",
         [&] {
             return QProcess::execute(QStringLiteral("exiftool"), {QStringLiteral("-q"), QStringLiteral("-all="),
                                                                   QStringLiteral("-o"), out, photo}) == 0;
         },
         {}},
        {"fit 1024 px, ours",
         [&] {
             PreparedPicture prepared;
             QString error;
             return prepared.prepare(photo, fit, &error) && QImageReader(prepared.picture()).size().width() == 1024;
         },
         {}},
        {"fit 1024 px, convert -resize",
         [&] {
             return QProcess::execute(QStringLiteral("convert"),
                                      {photo, QStringLiteral("-resize"), QStringLiteral("1024x1024"), out}) == 0;
         },
         {}},
    };
    for (int round = 0; round < rounds; ++round) {
        for (Case& c : cases) {
            QFile::remove(out);
            c.seconds.push_back(timed(c.work));
            if (c.seconds.back() < 0) {
                std::fprintf(stderr, "%s failed\n", c.name);
                return 2;
            }
        }
    }
    for (const Case& c : cases)
        std::printf("%-30s median %.3f s\n", c.name, bench::median(c.seconds));
    const double removal = bench::median(cases[1].seconds) / bench::median(cases[0].seconds);
    const double scaling = bench::median(cases[3].seconds) / bench::median(cases[2].seconds);
    std::printf("removal: exiftool / ours = %.2f (target >= %.2f) %s\n", removal, kRemovalTarget,
                removal >= kRemovalTarget ? "met" : "MISSED");
    std::printf("fitting: convert / ours = %.2f (target >= %.2f) %s\n", scaling, kScalingTarget,
                scaling >= kScalingTarget ? "met" : "MISSED");
    std::printf("load average after: %s\n", qPrintable(loadAverage()));
    return removal >= kRemovalTarget && scaling >= kScalingTarget ? 0 : 1;
}
