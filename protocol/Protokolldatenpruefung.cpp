#include "Protokolldatenpruefung.h"

#include "frmProtocollPreview.h"

#include "Kalibrierung.h"
#include "Protokolldaten.h"

#include "MessageService.h"

#include "RuntimeError.h"

#include <QAction>
#include <QWidget>

#include <memory>

namespace {

// What the user last went on with: the calibration's store as it was then
// and the entries listed.
struct Zusage {
    std::weak_ptr<::DataStore> store;
    quint64 revision = 0;
    QStringList offen;
};

Zusage& zusage() {
    static Zusage z;
    return z;
}

bool schonZugesagt(const Kalibrierung& k, const QStringList& offen) {
    const Zusage& z = zusage();
    const std::shared_ptr<::DataStore> store = z.store.lock();
    if (!store || store != k.DataStore() || store->revision() != z.revision)
        return false;
    for (const QString& eintrag : offen)
        if (!z.offen.contains(eintrag))
            return false;
    return true;
}

// A long list (many fields) is cut so that the message fits on the screen.
constexpr qsizetype MaxZeilen = 30;

QString meldung(const QStringList& offen) {
    QString text = QStringLiteral("Diese Protokolldaten sind noch nicht ausgefüllt (leer oder mit "
                                  "einem Platzhalter wie „??“ oder „XXX“):\n");
    const qsizetype gezeigt = offen.size() > MaxZeilen + 1 ? MaxZeilen : offen.size();
    for (qsizetype i = 0; i < gezeigt; ++i)
        text += QStringLiteral("\n• ") + offen[i];
    if (gezeigt < offen.size())
        text += QStringLiteral("\n… und %1 weitere").arg(offen.size() - gezeigt);
    text += QStringLiteral("\n\nMit „Protokolldaten bearbeiten“ tragen Sie die Angaben ein; "
                           "danach starten Sie die Ausgabe erneut.");
    return text;
}

void bearbeiten(QWidget* parent, Kalibrierung& k) {
    // In the preview through its own command, which rebuilds what changed.
    if (auto* preview = qobject_cast<frmProtocollPreview*>(parent ? parent->window() : nullptr)) {
        preview->edit->trigger();
        return;
    }
    try {
        k.ShowProtocollExtraData(true, parent);
    } catch (const rt::RuntimeError& e) {
        showMessage(parent,
                    QStringLiteral("Die Protokolldaten können nicht bearbeitet werden:\n%1 (%2)")
                        .arg(e.description())
                        .arg(e.number()),
                    MessageService::Critical);
    }
}

} // namespace

bool ProtokolldatenVollständigOderTrotzdem(QWidget* parent, Kalibrierung& k, int typ) {
    const QStringList offen = UnfertigeProtokolldaten(k, typ);
    if (offen.isEmpty() || schonZugesagt(k, offen))
        return true;
    enum { Bearbeiten, Trotzdem, Abbrechen };
    const int gewählt =
        chooseMessage(parent, meldung(offen), MessageService::Warning,
                      {QStringLiteral("Protokolldaten &bearbeiten"),
                       QStringLiteral("&Trotzdem erzeugen"), QStringLiteral("Abbrechen")},
                      Bearbeiten, Abbrechen);
    if (gewählt == Trotzdem) {
        zusage() = {k.DataStore(), k.DataStore()->revision(), offen};
        return true;
    }
    if (gewählt == Bearbeiten)
        bearbeiten(parent, k);
    return false;
}
