// The property-bag reader of the dictionary control: any bytes as the block a
// host stored. A damaged block is refused and leaves the bag empty; what the
// control reads from an accepted one it writes back, and writing that again
// changes nothing.

#include "Pruefungen.h"

#include "PropertyBag.h"
#include "RuntimeError.h"
#include "SorbelControl.h"

QString pruefeEigenschaften(QByteArrayView bytes) {
    static Sorbel* first = new Sorbel;
    static Sorbel* second = new Sorbel;
    rt::PropertyBag bag;
    try {
        bag.setContents(bytes.toByteArray());
    } catch (const rt::RuntimeError& e) {
        PRUEFE(e.number() == 380);
        PRUEFE(bag.contents() == rt::PropertyBag().contents());
        return QString();
    }
    // The bag itself round-trips.
    rt::PropertyBag copy;
    copy.setContents(bag.contents());
    PRUEFE(copy.contents() == bag.contents());

    first->ReadProperties(bag);
    rt::PropertyBag written;
    first->WriteProperties(written);
    second->ReadProperties(written);
    rt::PropertyBag again;
    second->WriteProperties(again);
    PRUEFE(again.contents() == written.contents());
    return QString();
}
