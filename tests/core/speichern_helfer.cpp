// A process that replaces a calibration file, for the test that kills saves
// at random moments: it prepares a large calibration, says "bereit", waits for
// one byte on standard input, replaces the file named as its argument and
// says "fertig".

#include "GrosseKalibrierung.h"

#include "RuntimeError.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2)
        return 1;
    Kalibrierung k;
    fillLarge(k, 1);
    std::fputs("bereit\n", stdout);
    std::fflush(stdout);
    char go = 0;
    if (::read(0, &go, 1) != 1)
        return 1;
    try {
        k.ReplaceFile(QString::fromLocal8Bit(argv[1]));
    } catch (const rt::RuntimeError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 3;
    }
    std::fputs("fertig\n", stdout);
    std::fflush(stdout);
    return 0;
}
