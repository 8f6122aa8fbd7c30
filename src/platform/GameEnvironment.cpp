// SPDX-License-Identifier: MIT
// The game's own environment variables.
#include "GameEnvironment.h"

extern char **environ;

namespace {

QList<QByteArray> &setByGame()
{
    static QList<QByteArray> names;
    return names;
}

} // namespace

bool GameEnvironment::setDefault(const char *name, const QByteArray &value)
{
    if (qEnvironmentVariableIsSet(name))
        return false;
    qputenv(name, value);
    setByGame().append(QByteArray(name) + '=');
    return true;
}

QList<QByteArray> GameEnvironment::forChildren()
{
    QList<QByteArray> entries;
    for (char **entry = environ; *entry; ++entry) {
        const QByteArrayView e(*entry);
        bool own = false;
        for (const QByteArray &prefix : setByGame())
            own = own || e.startsWith(prefix);
        if (!own)
            entries.append(e.toByteArray());
    }
    return entries;
}
