#pragma once

// Reads typed values off the bytes of a fuzz input: numbers from the end,
// texts from the front, so that a mutation of one part leaves the others.
// Every read succeeds; an exhausted input gives zeros and empty texts.

#include <QByteArray>
#include <QByteArrayView>

#include <algorithm>
#include <cstdint>
#include <cstring>

class Eingabe {
public:
    explicit Eingabe(QByteArrayView bytes) : m_data(bytes.data()), m_size(size_t(bytes.size())) {}

    // An integer in [low, high].
    template <class T>
    T zahl(T low, T high) {
        const uint64_t range = uint64_t(high) - uint64_t(low);
        uint64_t result = 0;
        size_t used = 0;
        while (used < sizeof(uint64_t) && (range >> (used * 8)) > 0 && m_size > 0) {
            result = (result << 8) | uint8_t(m_data[--m_size]);
            ++used;
        }
        if (range != UINT64_MAX)
            result %= range + 1;
        return T(uint64_t(low) + result);
    }
    bool jaNein() { return zahl<int>(0, 1) == 1; }
    // Any Double, infinities and NaN included, from eight bytes.
    double gleitkomma() {
        uint64_t bits = 0;
        for (int k = 0; k < 8; ++k)
            bits = (bits << 8) | (m_size > 0 ? uint8_t(m_data[--m_size]) : 0);
        double d = 0;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    // A double in [low, high].
    double gleitkomma(double low, double high) {
        return low + (high - low) * (double(zahl<uint32_t>(0, UINT32_MAX)) / UINT32_MAX);
    }
    // Bytes up to a backslash that is not doubled (libFuzzer's convention),
    // at most max of them.
    QByteArray text(size_t max) {
        QByteArray out;
        while (m_size > 0 && size_t(out.size()) < max) {
            const char c = *m_data++;
            --m_size;
            if (c == '\\' && m_size > 0) {
                const char next = *m_data++;
                --m_size;
                if (next != '\\')
                    break;
            }
            out += c;
        }
        return out;
    }
    QByteArray rest() {
        QByteArray out(m_data, qsizetype(m_size));
        m_data += m_size;
        m_size = 0;
        return out;
    }

private:
    const char* m_data;
    size_t m_size;
};
