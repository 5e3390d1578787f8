// Writes COUNT values under KEY of the settings file at PATH, saving after each one, as a
// second running instance of the program would.
#include "platform/registry/settingsstore.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: settings_writer PATH KEY COUNT\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString key = QString::fromLocal8Bit(argv[2]);
    const int count = std::atoi(argv[3]);
    reg::SettingsStore store(path);
    try {
        for (int i = 0; i < count; ++i) {
            store.createKey(key);
            store.setValue(key, QStringLiteral("v%1").arg(i), reg::Value::fromDWord(quint32(i)));
            store.save();
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
