// SPDX-License-Identifier: MIT
// The yardsticks for start-up: a bare Qt window of the game window's size;
// with --text, the same window with one line of Japanese text; with
// --game-text, the same window showing the game window's texts at rest in
// the same faces, which is what drawing the game window costs without the
// game.
#include "desktop/Fonts.h"

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
    const auto label = [&](const QString &text, int x, int y, const QFont &font) {
        auto *l = new QLabel(text, &window);
        l->setFont(font);
        l->move(x, y);
    };
    if (argc > 1 && std::strcmp(argv[1], "--text") == 0)
        label(QStringLiteral("タイピングゲーム"), 20, 20, window.font());
    if (argc > 1 && std::strcmp(argv[1], "--game-text") == 0) {
        Fonts::installSubstitutions();
        const QFont plain = window.font();
        int y = 20;
        for (const char16_t *text : {u"Level", u"練習", u"初級", u"中級", u"上級", u"開始", u"ハイスコア", u"設定...", u"終了"})
            label(QString::fromUtf16(text), 660, y += 24, plain);
        const QFont scores = Fonts::make(QStringLiteral("ＭＳ Ｐゴシック"), 12, false, true);
        for (int i = 0; i < 5; ++i)
            label(QStringLiteral("0"), 700, 260 + 24 * i, scores);
        label(QStringLiteral(" "), 20, 500, Fonts::make(QStringLiteral("ＭＳ Ｐ明朝"), 26.25, true));
    }
    window.show();
    return app.exec();
}
