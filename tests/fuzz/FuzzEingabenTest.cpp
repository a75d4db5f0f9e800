// Every input the fuzz targets keep (tests/data/fuzz/<target>/: the finds of
// earlier runs and the seeds) through the same check as the fuzz target.

#include "TestSupport.h"

#include "Pruefungen.h"

#include "RecordingMessages.h"

#include <QDir>

namespace {

using Pruefung = QString (*)(QByteArrayView);

struct Ziel {
    const char* name;
    Pruefung pruefe;
};

const Ziel Ziele[] = {
    {"fuzz_datei", pruefeDatei},
    {"fuzz_zahlen", pruefeZahlen},
    {"fuzz_eigenschaften", pruefeEigenschaften},
    {"fuzz_einfuegen", pruefeEinfuegen},
    {"fuzz_text", pruefeText},
    {"fuzz_import", pruefeImport},
    {"fuzz_mappe", pruefeMappe},
};

class FuzzEingabenTest : public ::testing::TestWithParam<Ziel> {};

} // namespace

TEST_P(FuzzEingabenTest, EveryKeptInputKeepsTheInvariants) {
    RecordingMessages messages; // the clipboard's error 381 as a message
    const QDir folder(QStringLiteral(PROJECT_SOURCE_DIR "/tests/data/fuzz/") +
                      QLatin1String(GetParam().name));
    const QStringList files = folder.entryList(QDir::Files | QDir::Hidden, QDir::Name);
    ASSERT_FALSE(files.isEmpty()) << folder.path().toStdString();
    for (const QString& name : files) {
        const QByteArray bytes = readFileBytes(folder.filePath(name));
        EXPECT_EQ(GetParam().pruefe(bytes), QString()) << name.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Ziele, FuzzEingabenTest, ::testing::ValuesIn(Ziele),
                         [](const ::testing::TestParamInfo<Ziel>& ziel) {
                             return std::string(ziel.param.name);
                         });
