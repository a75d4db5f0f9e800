// Figures for a large calibration as a user gets it after loading it from a
// file.

#include "GrosseKalibrierung.h"

#include "Ergebnisliste.h"
#include "MesswertImport.h"

#include "RuntimeError.h"

#include "UserLocale.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

void ResultsPage(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    for (auto _ : state) {
        // Every pass starts from a changed store, as after an edit.
        k.DataStore()->setValue(QStringLiteral("Messwert direktes Prüfmerkmal 1.1"),
                                QStringLiteral("90,1"));
        const auto rows = StatistikListe(k);
        const QString verdict = PlausibilitätText(k);
        benchmark::DoNotOptimize(rows.size() + verdict.size());
    }
}

void SaveFile(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.xml"));
    for (auto _ : state) {
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
        k.SaveFile(path);
    }
}

void LoadFile(benchmark::State& state) {
    Kalibrierung k;
    fillLarge(k);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gross.xml"));
    k.SaveFile(path);
    Kalibrierung loaded;
    for (auto _ : state)
        loaded.LoadFile(path);
    state.counters["keys"] = loaded.DataStore()->count();
}

// Loads path once per iteration; the loads refused.
int ladenGezählt(benchmark::State& state, Kalibrierung& k, const QString& path) {
    int refused = 0;
    for (auto _ : state) {
        try {
            k.LoadFile(path);
        } catch (const rt::RuntimeError&) {
            ++refused;
        }
    }
    return refused;
}

// Hostile files of the worst shapes, each refused: one element with a
// million attributes (12 MB), 10,000 fields with 10,000 empty rows, 50,000
// references to one field. Each must be answered in well under 2 s.
void LoadWorstCase(benchmark::State& state) {
    QByteArray bytes =
        QByteArrayLiteral("<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                          "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
                          "<s:Schema id='RowsetSchema'><s:ElementType name='row'>");
    QByteArray data = "</s:ElementType></s:Schema><rs:data>";
    switch (state.range(0)) {
    case 0:
        bytes += "<s:AttributeType name='Variable'/><s:AttributeType name='Wert'/>";
        data += "<z:row Variable='a' Wert='1'";
        for (int k = 0; k < 1'000'000; ++k)
            data += " a" + QByteArray::number(k) + "='1'";
        data += "/>";
        break;
    case 1:
        for (int k = 0; k < 10'000; ++k)
            bytes += "<s:AttributeType name='f" + QByteArray::number(k) + "'/>";
        for (int k = 0; k < 10'000; ++k)
            data += "<z:row/>";
        break;
    default:
        bytes += "<s:AttributeType name='Variable'/><s:AttributeType name='Wert'/>";
        for (int k = 0; k < 50'000; ++k)
            bytes += "<s:attribute type='Wert'/>";
        break;
    }
    bytes += data + "</rs:data></xml>";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("feindlich.xml"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    Kalibrierung k;
    const int refused = ladenGezählt(state, k, path);
    state.counters["MB"] = double(bytes.size()) / (1024 * 1024);
    state.counters["refused"] = refused > 0;
}

// The peak memory of the process since the last reset (VmHWM), in MB.
double peakMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// Sets the peak back to what the process holds now.
void resetPeak() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

// Hostile calibration files of up to 64 MB, each answered (refused, or
// loaded within the limits) in well under 2 s and 300 MB: 0 an entity
// hiding a million attributes, 1 one namespace declaration on each of 60,000
// levels, 2 an entity of 4,000 characters used 70,000 times, 3 60 MB of short
// rows (more records than a calibration has), 4 60 MB of long rows (399,999,
// which load), 5 one list of forced NULLs of 60 MB, 6 63 MB of rows with 510
// attributes each. peak_MB is the process's peak above the file in memory.
void LoadHostile(benchmark::State& state) {
    QByteArray head = "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882' "
                      "xmlns:rs='urn:schemas-microsoft-com:rowset' xmlns:z='#RowsetSchema'>\n"
                      "<s:Schema id='RowsetSchema'><s:ElementType name='row'>"
                      "<s:AttributeType name='Variable'/><s:AttributeType name='Wert'/>"
                      "</s:ElementType></s:Schema><rs:data>\n";
    QByteArray rows;
    rows.reserve(65 * 1024 * 1024);
    const qsizetype size = 60 * 1024 * 1024;
    switch (state.range(0)) {
    case 0: {
        QByteArray tag = "<z:row Variable='Anzahl Prüffelder' Wert='3'";
        for (int k = 0; k < 1'000'000; ++k)
            tag += " a" + QByteArray::number(k) + "='1'";
        head.prepend("<!DOCTYPE xml [<!ENTITY e \"" + tag + "/>\">]>\n");
        rows = "&e;";
        break;
    }
    case 1:
        for (int k = 0; k < 60'000; ++k)
            rows += "<p" + QByteArray::number(k) + ":e xmlns:p" + QByteArray::number(k) +
                    "='urn:velmor:" + QByteArray::number(k) + "'>";
        for (int k = 60'000 - 1; k >= 0; --k)
            rows += "</p" + QByteArray::number(k) + ":e>";
        break;
    case 2:
        head.prepend("<!DOCTYPE xml [<!ENTITY x \"" + QByteArray(4000, 'x') + "\">]>\n");
        rows = "<z:row Variable='Bemerkungen' Wert='" + QByteArray("&x;").repeated(70'000) + "'/>";
        break;
    case 3:
        for (int k = 1; rows.size() < size; ++k)
            rows += "<z:row Variable='S" + QByteArray::number(k) + "' Wert='" +
                    QByteArray::number(k) + "'/>\r\n";
        break;
    case 4:
        for (int k = 1; k < Kalibrierung::MaxDatensätze; ++k)
            rows += "<z:row Variable='Schlüssel " + QByteArray::number(k) + "' Wert='" +
                    QByteArray(110, 'w') + "'/>\r\n";
        break;
    case 5:
        rows = "<z:row Variable='Anzahl Prüffelder' Wert='3' rs:forcenull='";
        for (int k = 0; rows.size() < size; ++k)
            rows += "f" + QByteArray::number(k) + ' ';
        rows += "Wert'/>";
        break;
    default: {
        QByteArray row = "<z:row Variable='x' Wert='1'";
        for (int k = 0; k < 510; ++k)
            row += " a" + QByteArray::number(k) + "='1'";
        row += "/>\r\n";
        while (rows.size() + row.size() < 63 * 1024 * 1024)
            rows += row;
    }
    }
    const QByteArray bytes = head + rows + "</rs:data></xml>";
    rows = QByteArray();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("feindlich.xml"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();
    Kalibrierung k;
    resetPeak();
    const double before = peakMb();
    const int refused = ladenGezählt(state, k, path);
    state.counters["MB"] = double(bytes.size()) / (1024 * 1024);
    state.counters["refused"] = refused > 0;
    state.counters["peak_MB"] = peakMb() - before;
}

} // namespace

// A table of 10,000 rows (100 fields of 100 points) with decimal commas,
// from the file to the calibration: read, detected, grouped and taken over.
void ImportTable(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("werte.csv"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray bytes = "Prüffeld;Z;DPr;EVD\r\n";
        for (int f = 1; f <= 100; ++f)
            for (int p = 1; p <= 100; ++p)
                bytes += QByteArray::number(f) + ';' + QByteArray::number(f * 2) + ";9" +
                         QByteArray::number(p % 10) + ',' + QByteArray::number(p) + ';' +
                         QByteArray::number(30 + f % 40) + ",5\r\n";
        file.write(bytes);
    }
    for (auto _ : state) {
        Kalibrierung k;
        k.setDPrUndEVD();
        const auto t = MesswertImport::Tabelle::ausDatei(path);
        const auto ergebnis = t.lesen(t.erkennen(k));
        if (ergebnis.gelesen != 10'000 || !ergebnis.fehler.isEmpty())
            state.SkipWithError("the table was not read");
        MesswertImport::übernehmen(k, ergebnis);
        benchmark::DoNotOptimize(k.PrüfpunkteTotal());
    }
}

// Hostile tables of up to 64 MB: 0 one 50 MB line without a break, 1 a good
// table followed by 32 million short bad lines, 2 three million different
// fields. Each is answered (refused or read with its bad rows counted) from
// the bytes in memory; the process's peak memory is reported.
void ImportHostile(benchmark::State& state) {
    QByteArray bytes;
    switch (state.range(0)) {
    case 0:
        bytes = "Z;DPr;EVD\n2;95;" + QByteArray(50 * 1024 * 1024, '7');
        break;
    case 1: {
        bytes = "Z;DPr;EVD\n";
        for (int f = 0; f < 3; ++f)
            for (int p = 0; p < 3; ++p)
                bytes += QByteArray::number(2 * f) + ";9" + QByteArray::number(p) + ";30\n";
        const qsizetype gut = bytes.size();
        bytes.resize(gut + 62 * 1024 * 1024);
        for (qsizetype i = gut; i + 1 < bytes.size(); i += 2) {
            bytes[i] = 'x';
            bytes[i + 1] = '\n';
        }
        break;
    }
    default:
        bytes = "Prüffeld;Z;DPr;EVD\n";
        for (int f = 0; f < 3'000'000; ++f)
            bytes += QByteArray::number(f) + ";2;95;30\n";
    }
    Kalibrierung k;
    k.setDPrUndEVD();
    for (auto _ : state) {
        const auto t = MesswertImport::Tabelle::ausBytes(bytes);
        const auto ergebnis = t.lesen(t.erkennen(k));
        if (ergebnis.hindernis.isEmpty() && ergebnis.fehler.isEmpty())
            state.SkipWithError("the table was read without a word");
        benchmark::DoNotOptimize(ergebnis.weitereFehler);
    }
    state.counters["MB"] = double(bytes.size()) / (1024 * 1024);
    state.counters["peak_MB"] = peakMb();
}

BENCHMARK(LoadWorstCase)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadHostile)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);
BENCHMARK(ResultsPage)->Unit(benchmark::kMillisecond);
BENCHMARK(SaveFile)->Unit(benchmark::kMillisecond);
BENCHMARK(LoadFile)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportTable)->Unit(benchmark::kMillisecond);
BENCHMARK(ImportHostile)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    rt::setUserLocale(rt::germanLocale());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
