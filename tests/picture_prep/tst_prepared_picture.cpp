// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures made in the test, prepared as the choices ask: what is sent holds no location, keeps its pixels
// where nothing had to change, fits the limits; the local file stays as it was.
#include "picture_prep/prepared_picture.h"
#include "support/test_files.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QTest>

#include <exiv2/exiv2.hpp>

using namespace lumaport;
using namespace lumaport::test;
using namespace Qt::StringLiterals;

namespace {

const QByteArray kPlace = "48.8584 N 2.2945 E";

// Different pixels everywhere, so a scaled or re-encoded picture never compares equal by chance.
QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7 + y * 3) % 256, (x * y) % 256, (x ^ y) % 256));
    return image;
}

// A phone's JPEG (or WebP): its position, its maker and a quarter turn in EXIF.
QString phoneJpeg(const QString& path, int width, int height, const char* format = "JPG")
{
    pattern(width, height).save(path, format, 95);
    auto image = Exiv2::ImageFactory::open(path.toStdString());
    image->readMetadata();
    image->exifData()["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    image->exifData()["Exif.GPSInfo.GPSMapDatum"] = kPlace.toStdString();
    image->exifData()["Exif.Image.Make"] = "PhoneMaker";
    image->exifData()["Exif.Image.Orientation"] = uint16_t(6);
    image->writeMetadata();
    return path;
}

QString converted(const QString& source, const QString& target)
{
    return QProcess::execute(u"convert"_s, {source, target}) == 0 ? target : QString();
}

QImage pixels(const QString& path, bool upright = false)
{
    QImageReader reader(path);
    reader.setAutoTransform(upright);
    return reader.read().convertToFormat(QImage::Format_ARGB32);
}

} // namespace

class TestPreparedPicture : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private Q_SLOTS:
    void sentFilesHoldNoLocationAndFitTheLimits_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<PictureChoices>("choices");
        QTest::addColumn<QSize>("bound"); // of what is sent, turned upright
        QTest::addColumn<bool>("samePixels");
        QTest::addColumn<qint64>("maxBytes");
        QTest::addColumn<int>("frames");
        QTest::addColumn<bool>("noted");
        QTest::addColumn<bool>("unreadable"); // so sent only on the user's word, and never decoded

        PictureChoices remove;
        remove.removeMetadata = true;
        QTest::newRow("JPEG from a phone, data removed")
            << phoneJpeg(m_dir.filePath(u"phone.jpg"_s), 64, 48) << remove << QSize(48, 64) << true << qint64(1 << 20)
            << 1 << false << false;

        // Phones append a second picture, with its own EXIF, after the first one's end.
        const QString twoPictures = phoneJpeg(m_dir.filePath(u"two.jpg"_s), 64, 48);
        QFile appended(twoPictures);
        QVERIFY(appended.open(QIODevice::Append) && appended.write(readFile(twoPictures)) > 0);
        appended.close();
        QTest::newRow("JPEG with a second picture after its end")
            << twoPictures << remove << QSize(48, 64) << true << qint64(1 << 20) << 1 << false << false;

        QImage withText = pattern(40, 30);
        withText.setText(u"Location"_s, QString::fromLatin1(kPlace));
        const QString png = m_dir.filePath(u"text.png"_s);
        withText.save(png, "PNG");
        QTest::newRow("PNG with text chunks")
            << png << remove << QSize(40, 30) << true << qint64(1 << 20) << 1 << false << false;

        const QString gif = m_dir.filePath(u"animated.gif"_s);
        QCOMPARE(QProcess::execute(u"convert"_s, {u"-size"_s, u"40x30"_s, u"xc:red"_s, u"xc:blue"_s, u"-set"_s,
                                                  u"comment"_s, QString::fromLatin1(kPlace), u"-loop"_s, u"0"_s, gif}),
                 0);
        PictureChoices removeAndFit = remove;
        removeAndFit.fit = true;
        removeAndFit.maxSide = 20;
        QTest::newRow("animated GIF over the limit")
            << gif << removeAndFit << QSize(40, 30) << true << qint64(1 << 20) << 2 << true << false;

        PictureChoices fit;
        fit.fit = true;
        fit.maxSide = 64;
        fit.maxKilobytes = 500;
        QTest::newRow("within both limits") << writePicture(m_dir.filePath(u"small.jpg"_s), Qt::red) << fit
                                            << QSize(64, 48) << true << qint64(1 << 20) << 1 << false << false;

        fit.maxSide = 200;
        fit.maxKilobytes = 6;
        QTest::newRow("JPEG over both limits") << phoneJpeg(m_dir.filePath(u"large.jpg"_s), 640, 480) << fit
                                               << QSize(150, 200) << false << qint64(6 * 1024) << 1 << false << false;
        PictureChoices webp = fit;
        webp.sendAsWebp = true;
        QTest::newRow("JPEG as WebP over both limits")
            << phoneJpeg(m_dir.filePath(u"large2.jpg"_s), 640, 480) << webp << QSize(150, 200) << false
            << qint64(6 * 1024) << 1 << false << false;
        QTest::newRow("WebP from a phone, data removed")
            << phoneJpeg(m_dir.filePath(u"phone.webp"_s), 64, 48, "WEBP") << remove << QSize(64, 48) << true
            << qint64(1 << 20) << 1 << false << false;
        fit.maxSide = 20;
        fit.removeMetadata = true;
        QTest::newRow("PNG over the side limit")
            << png << fit << QSize(20, 15) << false << qint64(1 << 20) << 1 << false << false;
        QTest::newRow("HEIC over the side limit") << converted(png, m_dir.filePath(u"phone.heic"_s)) << fit
                                                  << QSize(20, 15) << false << qint64(1 << 20) << 1 << false << false;

        // Cut short, as a copy that broke off leaves it: decoded, its missing part would be sent grey.
        const auto cutShort = [this](const QString& name, const QString& whole) {
            const QByteArray bytes = readFile(whole);
            return writeFile(m_dir.filePath(name), bytes.left(bytes.size() * 2 / 3));
        };
        const QString plain = m_dir.filePath(u"plain.jpg"_s);
        pattern(640, 480).save(plain, "JPG", 95);
        const QString plainPng = m_dir.filePath(u"plain.png"_s);
        pattern(40, 30).save(plainPng, "PNG");
        fit.removeMetadata = false;
        QTest::newRow("JPEG cut short, over the limits")
            << cutShort(u"cut.jpg"_s, plain) << fit << QSize(640, 480) << true << qint64(1 << 20) << 1 << false << true;
        QTest::newRow("JPEG cut short, data removed")
            << cutShort(u"cut phone.jpg"_s, phoneJpeg(m_dir.filePath(u"whole.jpg"_s), 640, 480)) << remove
            << QSize(480, 640) << true << qint64(1 << 20) << 1 << false << true;
        QTest::newRow("PNG cut short") << cutShort(u"cut.png"_s, plainPng) << fit << QSize(40, 30) << true
                                       << qint64(1 << 20) << 1 << false << true;
        QTest::newRow("text named .jpg") << writeFile(m_dir.filePath(u"notes.jpg"_s), "Dear forum,") << removeAndFit
                                         << QSize(0, 0) << true << qint64(1 << 20) << -1 << false << true;
        QTest::newRow("empty .jpg") << writeFile(m_dir.filePath(u"empty.jpg"_s), {}) << removeAndFit << QSize(0, 0)
                                    << true << qint64(1 << 20) << -1 << false << true;
    }

    void sentFilesHoldNoLocationAndFitTheLimits()
    {
        QFETCH(QString, source);
        QFETCH(PictureChoices, choices);
        QFETCH(QSize, bound);
        QFETCH(bool, samePixels);
        QFETCH(qint64, maxBytes);
        QFETCH(int, frames);
        QFETCH(bool, noted);
        QFETCH(bool, unreadable);
        const QByteArray original = readFile(source);
        QString sent;
        {
            PreparedPicture prepared;
            QString error;
            QCOMPARE(prepared.prepare(source, choices, &error), !unreadable);
            QCOMPARE(prepared.unreadable(), unreadable);
            QCOMPARE(error.isEmpty(), !unreadable);
            sent = prepared.picture();
            const QByteArray bytes = readFile(sent);
            QVERIFY(!bytes.contains(kPlace));
            QVERIFY(!bytes.contains("PhoneMaker"));
            QVERIFY(bytes.size() <= maxBytes);
            const QSize upright = pixels(sent, true).size();
            QVERIFY(upright.width() <= bound.width() && upright.height() <= bound.height());
            QCOMPARE(pixels(sent) == pixels(source), samePixels);
            QCOMPARE(QImageReader(sent).imageCount(), frames);
            QCOMPARE(!prepared.note().isEmpty(), noted);
            if (!choices.removeMetadata && samePixels)
                QCOMPARE(bytes, original);
        }
        QCOMPARE(readFile(source), original);
        QVERIFY(sent == source || !QFileInfo::exists(sent));
    }

    // WebP asked for, and location data to go.
    void aPictureThatChangesKindIsNamedForIt_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<bool>("fit");
        QTest::addColumn<QString>("sentName");
        const QString jpeg = writePicture(m_dir.filePath(u"kind.jpg"_s), Qt::red);
        QTest::newRow("JPEG, fitted") << jpeg << true << u"photo.webp"_s;
        QTest::newRow("JPEG, not fitted") << jpeg << false << u"photo.jpg"_s;
        QTest::newRow("AVIF") << converted(jpeg, m_dir.filePath(u"kind.avif"_s)) << false << u"photo.jpg"_s;
    }

    void aPictureThatChangesKindIsNamedForIt()
    {
        QFETCH(QString, source);
        QFETCH(bool, fit);
        QFETCH(QString, sentName);
        PreparedPicture prepared;
        QString error;
        const PictureChoices choices{true, fit, 1024, 500, false, 350, true};
        QVERIFY2(prepared.prepare(source, choices, &error), qPrintable(error));
        QCOMPARE(prepared.sentName(u"photo.jpg"_s), sentName);
        // Told before the picture is made, for the questions about names the server holds.
        QCOMPARE(sentNameFor(source, u"photo.jpg"_s, choices), sentName);
        QCOMPARE(QImageReader::imageFormat(prepared.picture()), sentName.endsWith(u"webp"_s) ? "webp" : "jpeg");
    }

    void aThumbnailOfTheChosenSideBesideTheCleanedPicture()
    {
        PictureChoices choices;
        choices.removeMetadata = true;
        choices.thumbnail = true;
        choices.thumbnailSide = 32;
        PreparedPicture prepared;
        QString error;
        QVERIFY2(prepared.prepare(phoneJpeg(m_dir.filePath(u"thumb.jpg"_s), 64, 48), choices, &error),
                 qPrintable(error));
        QCOMPARE(QImageReader(prepared.picture()).transformation(), QImageIOHandler::TransformationRotate90);
        QVERIFY(!readFile(prepared.thumbnail()).contains("PhoneMaker"));
        QCOMPARE(pixels(prepared.thumbnail(), true).size(), QSize(24, 32));
    }
};

QTEST_MAIN(TestPreparedPicture)
#include "tst_prepared_picture.moc"
