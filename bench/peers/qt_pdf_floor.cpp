// The least any program writing a PDF through Qt takes: the GUI application, then one page with
// a line of text and a bar on QPdfWriter. run.sh reports its peak memory beside zvreport's.
#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

int main(int argc, char** argv)
{
    if (argc != 2) return 2;
    QGuiApplication app(argc, argv);
    QPdfWriter writer(QString::fromLocal8Bit(argv[1]));
    writer.setResolution(1200);
    QPainter painter(&writer);
    painter.setFont(QFont(QStringLiteral("Arial"), 10));
    painter.drawText(1000, 1000, QStringLiteral("Rossi Mario PUIZMA98H28G751G"));
    painter.fillRect(1000, 2000, 20, 1000, Qt::black);
    return painter.end() ? 0 : 1;
}
