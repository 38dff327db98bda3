// The pictures drawn at build time and the print module loaded on first use.
#include "shell/KitBoxPictures.h"
#include "shell/KitBoxPrinting.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPrinterInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <set>
#include <thread>

using namespace Qt::StringLiterals;

using kitbox::picture;

namespace {

// Colours that are neither fully transparent nor equal to each other.
int distinctOpaqueColours(const QImage &image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) == 255)
                colours.insert(image.pixel(x, y));
        }
    }
    return int(colours.size());
}

} // namespace

TEST(Pictures, EveryToolbarAndHeaderPictureIsBakedWithContent)
{
    for (const char *name : {"open-description", "save-simulation", "new-test", "open-test", "save-test", "select-job",
                             "run-once", "run-continuous", "stop-continuous", "edit-test", "run-test-step", "run-test",
                             "help", "print", "logo", "menu-extension"}) {
        const QPixmap p = picture(QString::fromLatin1(name), QSize(24, 24));
        ASSERT_EQ(p.size(), QSize(24, 24)) << name;
        EXPECT_GE(distinctOpaqueColours(p.toImage()), 1) << name;
    }
    const QImage start = picture(u"start"_s, QSize(480, 320)).toImage();
    EXPECT_GT(distinctOpaqueColours(start), 20); // a gradient, a car and its text
    // The German flag: black on top, gold at the bottom.
    const QImage flag = picture(u"flag-german"_s, QSize(36, 24)).toImage();
    EXPECT_EQ(flag.pixel(18, 2), qRgb(0, 0, 0));
    EXPECT_GT(qRed(flag.pixel(18, 21)), 200);
    EXPECT_LT(qBlue(flag.pixel(18, 21)), 60);
}

TEST(Pictures, PictureDrawnIntoPreparedMemoryIsTheSame)
{
    const QImage reference = picture(u"start"_s, QSize(432, 288)).toImage();
    const QImage referenceFull = picture(u"start"_s, QSize(480, 320)).toImage();
    // Prepared in another thread, as the start does, and larger than the
    // picture that takes it: the rows must still be laid out for its own width.
    std::thread([] { kitbox::preparePictureMemory(QSize(480, 320)); }).join();
    EXPECT_EQ(picture(u"start"_s, QSize(432, 288)).toImage(), reference);
    // Prepared memory too small for the picture is not used.
    kitbox::preparePictureMemory(QSize(240, 160));
    EXPECT_EQ(picture(u"start"_s, QSize(480, 320)).toImage(), referenceFull);
    // A reduced size (not drawn at build time) goes the other way of drawing.
    const QImage reduced = picture(u"start"_s, QSize(300, 200)).toImage();
    kitbox::preparePictureMemory(QSize(480, 320), 2.0);
    EXPECT_EQ(picture(u"start"_s, QSize(300, 200)).toImage(), reduced);
}

TEST(Pictures, DensityAndSizeChooseTheVariant)
{
    // Double density uses the variant drawn at twice the size, as it is.
    const QPixmap sharp = picture(u"run-once"_s, QSize(24, 24), 2.0);
    EXPECT_EQ(sharp.size(), QSize(48, 48));
    EXPECT_EQ(sharp.deviceIndependentSize().toSize(), QSize(24, 24));
    // A size that was not baked is scaled from the next larger variant.
    const QImage small = picture(u"start"_s, QSize(300, 200)).toImage();
    EXPECT_EQ(small.size(), QSize(300, 200));
    const QImage full = picture(u"start"_s, QSize(480, 320)).toImage();
    // The wheel hub (grey) sits at the same relative place in both.
    EXPECT_EQ(qGray(full.pixel(140, 222)), qGray(qRgb(0x99, 0x99, 0x99)));
    EXPECT_NEAR(qGray(small.pixel(140 * 300 / 480, 222 * 200 / 320)), qGray(qRgb(0x99, 0x99, 0x99)), 12);
    // An unknown name gives a transparent picture of that size.
    const QPixmap missing = picture(u"no-such-picture"_s, QSize(20, 10), 1.5);
    EXPECT_EQ(missing.deviceIndependentSize().toSize(), QSize(20, 10));
    EXPECT_EQ(qAlpha(missing.toImage().pixel(0, 0)), 0);
}

TEST(Pictures, StartPictureShrinksToSizesItWasDrawnAt)
{
    using kitbox::fittedPictureSize;
    const QString start = u"start"_s;
    const QSize normal(480, 320);
    EXPECT_EQ(fittedPictureSize(start, normal, QSize(1000, 700)), normal);
    EXPECT_EQ(fittedPictureSize(start, normal, QSize()), normal);
    // Steps of a tenth: the largest that fits, drawn at exactly that size.
    EXPECT_EQ(fittedPictureSize(start, normal, QSize(667, 288)), QSize(432, 288));
    EXPECT_EQ(fittedPictureSize(start, normal, QSize(300, 1000)), QSize(288, 192));
    EXPECT_EQ(fittedPictureSize(start, normal, QSize(667, 288), 2.0), QSize(432, 288));
    EXPECT_EQ(picture(start, QSize(432, 288), 2.0).size(), QSize(864, 576));
    // Below the smallest step the shape is kept at any size.
    EXPECT_EQ(fittedPictureSize(start, normal, QSize(40, 100)), QSize(40, 26));
    // At a density without whole sizes for most steps, only those that have one count.
    EXPECT_EQ(fittedPictureSize(start, normal, QSize(667, 288), 1.5), QSize(384, 256));
}

int pdfPages(const QByteArray &pdf)
{
    // Page objects, without the page tree node.
    return int(pdf.count("/Type /Page") - pdf.count("/Type /Pages"));
}

TEST(Printing, PagesGoToAPdfFileWhileATargetIsSetAndAFailedWriteKeepsTheOldFile)
{
    // The print module is loaded on first use and answers as the print library does.
    EXPECT_EQ(kitbox::printersInstalled(), !QPrinterInfo::availablePrinterNames().isEmpty());
    if (QPrinterInfo::availablePrinterNames().isEmpty()) {
        // Without a printer the module itself reports that printing cannot start.
        const kitbox::Status printed = kitbox::printText(u"doc"_s, u"a\r\nb"_s, QFont());
        ASSERT_FALSE(printed.ok());
        EXPECT_NE(printed.error().find("Printer"), std::string::npos) << printed.error();
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(u"table.pdf"_s);
    QStringList lines;
    for (int i = 0; i < 150; ++i)
        lines << u"line %1"_s.arg(i);
    {
        const kitbox::PdfPrintTarget target(path);
        EXPECT_FALSE(target.used());
        const kitbox::Status printed = kitbox::printText(u"doc"_s, lines.join(u"\r\n"_s), QFont(u"Monospace"_s, 10));
        ASSERT_TRUE(printed.ok()) << printed.error();
        EXPECT_TRUE(target.used());
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    // 150 lines at 10 points do not fit on one A4 page, and fit on three.
    EXPECT_GE(pdfPages(pdf), 2);
    EXPECT_LE(pdfPages(pdf), 3);
    file.close();

    // A directory that cannot be written: an error, and the file there stays as it was.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool writable = QFileInfo(dir.path()).isWritable(); // root writes anyway
    const kitbox::Status failed = kitbox::printTextToPdf(path, u"doc"_s, u"other"_s, QFont());
    if (!writable) {
        ASSERT_FALSE(failed.ok());
        EXPECT_NE(failed.error().find("table.pdf"), std::string::npos) << failed.error();
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), pdf);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(kitbox::printTextToPdf(dir.filePath(u"missing/x.pdf"_s), u"doc"_s, u"x"_s, QFont()).ok());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
