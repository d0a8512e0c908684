// xpm2png DRAWING.xpm IMAGE.png: the window's icon drawings as the PNG files
// the desktop's icon theme wants.
#include <QImage>
#include <QTextStream>

int main(int argc, char** argv)
{
    if (argc != 3) {
        QTextStream(stderr) << "Uso: xpm2png DISEGNO.xpm IMMAGINE.png\n";
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]), "XPM");
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        QTextStream(stderr) << "xpm2png: impossibile convertire " << argv[1] << '\n';
        return 1;
    }
    return 0;
}
