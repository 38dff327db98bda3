// The pictures drawn at build time and the print module loaded on first use.
#include "shell/KitBoxPictures.h"
#include "shell/KitBoxPrinting.h"
#include "shell/MainMenuModel.h"

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
    QStringList names{u"stop-continuous"_s, u"logo"_s, u"menu-extension"_s};
    for (const kitbox::ToolbarButton &b : kitbox::MainMenuModel::toolbar())
        names << b.iconName;
    for (const QString &name : names) {
        const QPixmap p = picture(name, QSize(24, 24));
        ASSERT_EQ(p.size(), QSize(24, 24)) << name.toStdString();
        EXPECT_GE(distinctOpaqueColours(p.toImage()), 1) << name.toStdString();
    }
    EXPECT_GT(distinctOpaqueColours(picture(u"start"_s, QSize(480, 320)).toImage()), 20); // gradient, car, text
    // The German flag: black on top, gold at the bottom.
    const QImage flag = picture(u"flag-german"_s, QSize(36, 24)).toImage();
    EXPECT_EQ(flag.pixel(18, 2), qRgb(0, 0, 0));
    EXPECT_TRUE(qRed(flag.pixel(18, 21)) > 200 && qBlue(flag.pixel(18, 21)) < 60);
}

// Each way of drawing gives the same picture: into memory prepared in another thread (larger than the
// picture: its rows laid out for its own width), into too small prepared memory (not used), and a
// reduced size not drawn at build time (scaled from the next larger variant).
TEST(Pictures, PreparedMemoryDensityAndScalingGiveTheSamePicture)
{
    const QImage reference = picture(u"start"_s, QSize(432, 288)).toImage();
    const QImage full = picture(u"start"_s, QSize(480, 320)).toImage();
    const QImage reduced = picture(u"start"_s, QSize(300, 200)).toImage();
    std::thread([] { kitbox::preparePictureMemory(QSize(480, 320)); }).join();
    EXPECT_EQ(picture(u"start"_s, QSize(432, 288)).toImage(), reference);
    kitbox::preparePictureMemory(QSize(240, 160));
    EXPECT_EQ(picture(u"start"_s, QSize(480, 320)).toImage(), full);
    kitbox::preparePictureMemory(QSize(480, 320), 2.0);
    EXPECT_EQ(picture(u"start"_s, QSize(300, 200)).toImage(), reduced);
    // The wheel hub (grey) sits at the same relative place in the scaled one.
    EXPECT_EQ(reduced.size(), QSize(300, 200));
    EXPECT_EQ(qGray(full.pixel(140, 222)), qGray(qRgb(0x99, 0x99, 0x99)));
    EXPECT_NEAR(qGray(reduced.pixel(140 * 300 / 480, 222 * 200 / 320)), qGray(qRgb(0x99, 0x99, 0x99)), 12);

    // Double density uses the variant drawn at twice the size, as it is.
    const QPixmap sharp = picture(u"run-once"_s, QSize(24, 24), 2.0);
    EXPECT_EQ(std::pair(sharp.size(), sharp.deviceIndependentSize().toSize()), std::pair(QSize(48, 48), QSize(24, 24)));
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
    file.close();
    // 150 lines at 10 points do not fit on one A4 page, and fit on three.
    EXPECT_TRUE(pdf.startsWith("%PDF-") && pdfPages(pdf) >= 2 && pdfPages(pdf) <= 3) << pdfPages(pdf);

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
