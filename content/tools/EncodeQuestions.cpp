// SPDX-License-Identifier: MIT
// Build tool: turns a UTF-8 question list (one question per line) into a
// question file of the game: code page 932, CR LF line ends. Fails the build
// when a line cannot be written in code page 932 or the list is empty.
#include "platform/Cp932.h"

#include <QFile>
#include <QStringList>
#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: EncodeQuestions SOURCE.txt TARGET.txt\n");
        return 2;
    }
    QFile source(QString::fromLocal8Bit(argv[1]));
    if (!source.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "EncodeQuestions: cannot read %s\n", argv[1]);
        return 1;
    }
    const QString text = QString::fromUtf8(source.readAll());
    QByteArray out;
    int count = 0;
    int lineNumber = 0;
    for (QString line : text.split(QLatin1Char('\n'))) {
        ++lineNumber;
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.isEmpty())
            continue;
        const QByteArray bytes = Cp932::encode(line);
        if (Cp932::decode(bytes) != line) {
            std::fprintf(stderr, "%s:%d: not representable in code page 932: %s\n", argv[1], lineNumber,
                         line.toUtf8().constData());
            return 1;
        }
        out += bytes + "\r\n";
        ++count;
    }
    if (count == 0) {
        std::fprintf(stderr, "%s: no questions\n", argv[1]);
        return 1;
    }
    QFile target(QString::fromLocal8Bit(argv[2]));
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate) || target.write(out) != out.size()) {
        std::fprintf(stderr, "EncodeQuestions: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
