// The desktop's PNG icons are kept in the source tree beside the window's
// XPM drawings; they must show the same pixels.
#include <gtest/gtest.h>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

QImage Pixels(const QString& path, const char* format)
{
    return QImage(path, format).convertToFormat(QImage::Format_ARGB32);
}

TEST(DesktopIcons, ThePngFilesShowTheWindowsDrawings)
{
    for (const char* pixels : {"16", "32"}) {
        const QString size = QLatin1String(pixels);
        const QString base = QStringLiteral(ICON_FOLDER "/aggiorna-abicab-") + size;
        const QImage drawing = Pixels(base + QStringLiteral(".xpm"), "XPM");
        const QImage icon = Pixels(base + QStringLiteral(".png"), "PNG");
        ASSERT_FALSE(drawing.isNull()) << size.toStdString();
        ASSERT_EQ(icon.size(), drawing.size()) << size.toStdString();
        EXPECT_EQ(icon, drawing) << "run xpm2png again for the " << size.toStdString() << " pixel icon";
    }
}

TEST(DesktopIcons, Xpm2pngConvertsADrawingAndRefusesWhatIsNone)
{
    QTemporaryDir dir;
    const QString png = dir.filePath(QStringLiteral("icon.png"));
    EXPECT_EQ(QProcess::execute(QStringLiteral(XPM2PNG_PROGRAM),
                                {QStringLiteral(ICON_FOLDER "/aggiorna-abicab-16.xpm"), png}),
              0);
    EXPECT_EQ(Pixels(png, "PNG"), Pixels(QStringLiteral(ICON_FOLDER "/aggiorna-abicab-16.xpm"), "XPM"));
    EXPECT_EQ(QProcess::execute(QStringLiteral(XPM2PNG_PROGRAM), {dir.filePath(QStringLiteral("none.xpm")), png}), 1);
}

}  // namespace
