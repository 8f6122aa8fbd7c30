// SPDX-License-Identifier: MIT
// The yardsticks for start-up: a bare Qt window of the game window's size,
// and (with --text) the same window with one line of Japanese text, which
// shows what font set-up alone costs.
#include <QApplication>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Bare"));
    window.setFixedSize(755, 543);
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0)
        (new QLabel(QStringLiteral("タイピングゲーム"), &window))->move(20, 20);
    window.show();
    return app.exec();
}
