// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/picture_file.h"
#include "support/test_files.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <future>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumaport;
using lumaport::test::writeFile;

namespace {

// 4 x 2 pixels, left half red, right half blue; Qt writes no GIF of its own.
const unsigned char kGif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x04, 0x00, 0x02, 0x00, 0xf0, 0x00, 0x00, 0xff, 0x00,
                              0x00, 0x00, 0x00, 0xff, 0x21, 0xf9, 0x04, 0x00, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
                              0x00, 0x00, 0x04, 0x00, 0x02, 0x00, 0x00, 0x02, 0x04, 0x04, 0x12, 0x86, 0x05, 0x00, 0x3b};

// An EXIF block saying the picture is stored turned a quarter to the left (orientation 6).
const QByteArray kExifRotate90 = QByteArray::fromHex("ffe10022"
                                                     "457869660000"
                                                     "4d4d002a00000008"
                                                     "0001"
                                                     "011200030000000100060000"
                                                     "00000000");

QImage leftRedRightBlue(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    return image;
}

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, 95);
    return bytes;
}

bool isRed(QRgb pixel)
{
    return qRed(pixel) > 200 && qBlue(pixel) < 60;
}

bool isBlue(QRgb pixel)
{
    return qBlue(pixel) > 200 && qRed(pixel) < 60;
}

// A phone's kind, which Qt can't write.
QByteArray heic(const QImage& picture, const QDir& folder)
{
    const QString png = folder.filePath(QStringLiteral("for heic.png"));
    const QString target = folder.filePath(QStringLiteral("made.heic"));
    picture.save(png);
    QProcess::execute(QStringLiteral("convert"), {png, QStringLiteral("-quality"), QStringLiteral("90"), target});
    return lumaport::test::readFile(target);
}

// Bytes this process has read so far, through any call.
qint64 bytesRead()
{
    QFile io(QStringLiteral("/proc/self/io"));
    if (!io.open(QIODevice::ReadOnly))
        return -1;
    return io.readLine().mid(7).trimmed().toLongLong();
}

// Runs the load on another thread, so that a load blocking on a FIFO fails the test instead of hanging it.
std::optional<QImage> loadWithin(const QString& path, std::chrono::seconds limit)
{
    auto load = std::async(std::launch::async, [path] { return loadPictureFile(path, QSize(10, 10)); });
    if (load.wait_for(limit) == std::future_status::ready)
        return load.get();
    // Lets a reader blocked on the FIFO go, so the thread can end.
    const int writer = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK);
    ::close(writer);
    load.wait();
    qFatal("loading %s blocked", qPrintable(path));
}

} // namespace

class TestPictureFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsEachFormatStretchedToTheBox_data();
    void loadsEachFormatStretchedToTheBox();
    void turnsCameraPicturesUpright();
    void acceptsPaddingAfterTheJpegEnd();
    void refusesWhatIsNoCompletePicture_data();
    void refusesWhatIsNoCompletePicture();
    void fifoReturnsAtOnce();
    void hugeFileIsNotReadWhole_data();
    void hugeFileIsNotReadWhole();

private:
    QTemporaryDir m_dir;
};

void TestPictureFile::loadsEachFormatStretchedToTheBox_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    const QImage picture = leftRedRightBlue(400, 200);
    QTest::newRow("gif") << "p.gif" << QByteArray(reinterpret_cast<const char*>(kGif), sizeof kGif);
    QTest::newRow("jpeg") << "p.jpg" << encoded(picture, "JPG");
    QTest::newRow("bmp") << "p.bmp" << encoded(picture, "BMP");
    QTest::newRow("png") << "p.png" << encoded(picture, "PNG");
    QTest::newRow("jpeg named .gif") << "jpeg.gif" << encoded(picture, "JPG");
    QTest::newRow("webp") << "p.webp" << encoded(picture, "WEBP");
    QTest::newRow("heic") << "p.heic" << heic(picture, QDir(m_dir.path()));
}

void TestPictureFile::loadsEachFormatStretchedToTheBox()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const auto image = loadPictureFile(writeFile(m_dir.filePath(name), bytes), QSize(30, 60));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(30, 60));
    QVERIFY(isRed(image->pixel(5, 30)));
    QVERIFY(isBlue(image->pixel(25, 30)));
}

void TestPictureFile::turnsCameraPicturesUpright()
{
    // Stored 40 x 20 on its side: shown upright it is red on top, blue below, and fills the box unturned.
    QByteArray bytes = encoded(leftRedRightBlue(40, 20), "JPG");
    bytes.insert(2, kExifRotate90);
    const auto image = loadPictureFile(writeFile(m_dir.filePath(QStringLiteral("turned.jpg")), bytes), QSize(10, 30));
    QVERIFY(image);
    QCOMPARE(image->size(), QSize(10, 30));
    QVERIFY(isRed(image->pixel(5, 4)));
    QVERIFY(isBlue(image->pixel(5, 25)));
}

void TestPictureFile::acceptsPaddingAfterTheJpegEnd()
{
    const QByteArray bytes = encoded(leftRedRightBlue(40, 20), "JPG") + QByteArray(4000, '\0');
    QVERIFY(loadPictureFile(writeFile(m_dir.filePath(QStringLiteral("padded.jpg")), bytes), QSize(10, 10)));
}

void TestPictureFile::refusesWhatIsNoCompletePicture_data()
{
    QTest::addColumn<QString>("path");
    const QByteArray jpeg = encoded(leftRedRightBlue(400, 200), "JPG");
    // An EXIF thumbnail brings an end marker of its own near the start of the file.
    QByteArray withThumbnail = jpeg;
    withThumbnail.insert(2, QByteArray::fromHex("ffe1000c457869660000ffd8ffd9"));

    QTest::newRow("empty path") << QString();
    QTest::newRow("missing") << m_dir.filePath(QStringLiteral("missing.jpg"));
    QTest::newRow("zero bytes") << writeFile(m_dir.filePath(QStringLiteral("empty.jpg")), {});
    QTest::newRow("cut-off jpeg") << writeFile(m_dir.filePath(QStringLiteral("cut.jpg")),
                                               jpeg.left(jpeg.size() * 2 / 3));
    QTest::newRow("cut-off jpeg with thumbnail")
        << writeFile(m_dir.filePath(QStringLiteral("cut2.jpg")), withThumbnail.left(withThumbnail.size() - 100));
    // Their decoders show the missing part as black and report success.
    const QByteArray gif(reinterpret_cast<const char*>(kGif), sizeof kGif);
    QTest::newRow("cut-off gif") << writeFile(m_dir.filePath(QStringLiteral("cut.gif")), gif.left(gif.size() - 4));
    const QByteArray bmp = encoded(leftRedRightBlue(400, 200), "BMP");
    QTest::newRow("cut-off bmp") << writeFile(m_dir.filePath(QStringLiteral("cut.bmp")), bmp.left(bmp.size() * 2 / 3));
    const QByteArray webp = encoded(leftRedRightBlue(400, 200), "WEBP");
    QTest::newRow("cut-off webp") << writeFile(m_dir.filePath(QStringLiteral("cut.webp")), webp.left(webp.size() - 9));
    const QByteArray phone = heic(leftRedRightBlue(400, 200), QDir(m_dir.path()));
    QTest::newRow("cut-off heic") << writeFile(m_dir.filePath(QStringLiteral("cut.heic")),
                                               phone.left(phone.size() - 9));
    QTest::newRow("zip named .jpg") << writeFile(m_dir.filePath(QStringLiteral("zip.jpg")),
                                                 QByteArray("PK\x03\x04") + QByteArray(5000, 'z'));
    QTest::newRow("folder") << m_dir.path();
    QTest::newRow("device") << QStringLiteral("/dev/zero");
}

void TestPictureFile::refusesWhatIsNoCompletePicture()
{
    QFETCH(QString, path);
    QVERIFY(!loadPictureFile(path, QSize(10, 10)));
}

void TestPictureFile::fifoReturnsAtOnce()
{
    const QString path = m_dir.filePath(QStringLiteral("pipe.jpg"));
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    QVERIFY(!loadWithin(path, std::chrono::seconds(10)));
}

void TestPictureFile::hugeFileIsNotReadWhole_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::newRow("zip") << QByteArray("PK\x03\x04");
    QTest::newRow("jpeg cut short") << encoded(leftRedRightBlue(400, 200), "JPG").left(2000);
}

void TestPictureFile::hugeFileIsNotReadWhole()
{
    QFETCH(QByteArray, head);
    if (bytesRead() < 0)
        QSKIP("no /proc/self/io to count the bytes read");
    QFile file(m_dir.filePath(QStringLiteral("huge.bin")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(head), head.size());
    QVERIFY(file.resize(qint64{1} << 30)); // sparse: costs no disk
    file.close();

    const qint64 before = bytesRead();
    QVERIFY(!loadPictureFile(file.fileName(), QSize(393, 393)));
    QCOMPARE_LT(bytesRead() - before, qint64{1} << 20);
}

QTEST_GUILESS_MAIN(TestPictureFile)
#include "tst_picture_file.moc"
