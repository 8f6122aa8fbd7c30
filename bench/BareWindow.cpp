// The yardstick for start-up: a bare Qt window of the game window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(755, 543);
    window.show();
    return app.exec();
}
