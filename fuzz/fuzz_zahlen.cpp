// libFuzzer target: pruefeZahlen (Pruefungen.h).

#include "Pruefungen.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString broken =
        pruefeZahlen(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "Invariante verletzt: %s\n", broken.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
