#include "PropertyBag.h"

#include "RuntimeError.h"

#include <QDataStream>
#include <QIODevice>

namespace rt {

namespace {
constexpr quint32 Magic = 0x50424147;
constexpr quint16 LayoutVersion = 1;
} // namespace

void PropertyBag::writeProperty(const QString& name, const Variant& value) {
    const QString key = name.toLower();
    if (!m_values.contains(key))
        m_names.append(name);
    m_values.insert(key, value);
}

Variant PropertyBag::readProperty(const QString& name, const Variant& defaultValue) const {
    const auto it = m_values.constFind(name.toLower());
    return it == m_values.constEnd() ? defaultValue : *it;
}

bool PropertyBag::contains(const QString& name) const {
    return m_values.contains(name.toLower());
}

QByteArray PropertyBag::contents() const {
    QByteArray block;
    QDataStream out(&block, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << Magic << LayoutVersion << quint32(m_names.size());
    for (const QString& name : m_names) {
        const Variant& value = m_values[name.toLower()];
        out << name << quint8(value.type());
        switch (value.type()) {
        case Variant::Type::Empty:
        case Variant::Type::Null:
            break;
        case Variant::Type::Boolean:
            out << quint8(value.boolValue());
            break;
        case Variant::Type::LongInteger:
            out << qint32(value.longValue());
            break;
        case Variant::Type::Double:
            out << value.doubleValue();
            break;
        case Variant::Type::String:
            out << value.stringValue();
            break;
        }
    }
    return block;
}

void PropertyBag::setContents(const QByteArray& block) {
    QDataStream in(block);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 magic = 0, count = 0;
    quint16 version = 0;
    in >> magic >> version >> count;
    if (in.status() != QDataStream::Ok || magic != Magic || version != LayoutVersion)
        raiseError(err::InvalidPropertyValue);
    QStringList names;
    QHash<QString, Variant> values;
    for (quint32 i = 0; i < count; ++i) {
        QString name;
        quint8 type = 0;
        in >> name >> type;
        Variant value;
        switch (Variant::Type(type)) {
        case Variant::Type::Empty:
            break;
        case Variant::Type::Null:
            value = Variant::null();
            break;
        case Variant::Type::Boolean: {
            quint8 b = 0;
            in >> b;
            value = Variant(b != 0);
            break;
        }
        case Variant::Type::LongInteger: {
            qint32 l = 0;
            in >> l;
            value = Variant(l);
            break;
        }
        case Variant::Type::Double: {
            double d = 0;
            in >> d;
            value = Variant(d);
            break;
        }
        case Variant::Type::String: {
            QString s;
            in >> s;
            value = Variant(s);
            break;
        }
        default:
            raiseError(err::InvalidPropertyValue);
        }
        if (in.status() != QDataStream::Ok)
            raiseError(err::InvalidPropertyValue);
        const QString key = name.toLower();
        if (!values.contains(key))
            names.append(name);
        values.insert(key, value);
    }
    m_names = std::move(names);
    m_values = std::move(values);
}

} // namespace rt
