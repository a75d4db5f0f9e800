// The libFuzzer target of one check (Pruefungen.h), chosen when it is built:
// PRUEFUNG names the check, ANWENDUNG the application object it needs (0 none,
// 1 a QGuiApplication, 2 a QApplication with messages answered silently). A
// broken invariant aborts, so that libFuzzer keeps the input.

#include "Pruefungen.h"

#include "MessageService.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

// Messages (the clipboard's error 381) are answered without a window.
class StilleMeldungen : public MessageService {
public:
    Answer show(QWidget*, const QString&, const QString&, Icon, Buttons) override {
        return AnswerOk;
    }
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
#if ANWENDUNG == 1
    static QGuiApplication app(*argc, *argv);
#elif ANWENDUNG == 2
    static QApplication app(*argc, *argv);
    static StilleMeldungen meldungen;
    MessageService::setInstance(&meldungen);
#endif
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString broken =
        PRUEFUNG(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!broken.isEmpty()) {
        std::fprintf(stderr, "Invariante verletzt: %s\n", broken.toLocal8Bit().constData());
        std::abort();
    }
    return 0;
}
