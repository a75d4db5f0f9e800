// Saving a calibration: a save that is killed at any moment leaves the
// complete old file or the complete new one; a folder without write
// permission, a full file system and a read-only target give the caller the
// core's error with its German description.

#include "TestSupport.h"

#include "Beispiel.h"
#include "GrosseKalibrierung.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Store = std::vector<std::pair<QString, QString>>;

Store storeOf(const Kalibrierung& k) {
    Store out;
    k.DataStore()->forEach(
        [&](const QString& key, const rt::Variant& v) { out.emplace_back(key, v.toText()); });
    return out;
}

Store storeOfFile(const QString& path);

// The store a calibration gives once saved and loaded.
Store savedStore(const Kalibrierung& k) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("k.xml"));
    k.SaveFile(file);
    return storeOfFile(file);
}

// Equal stores, or the first difference.
::testing::AssertionResult sameStore(const Store& a, const Store& b) {
    for (size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i])
            return ::testing::AssertionFailure()
                   << "entry " << i << ": " << a[i].first.toStdString() << " = "
                   << a[i].second.toStdString() << " / " << b[i].first.toStdString() << " = "
                   << b[i].second.toStdString();
    if (a.size() != b.size())
        return ::testing::AssertionFailure() << a.size() << " / " << b.size() << " entries";
    return ::testing::AssertionSuccess();
}

Store storeOfFile(const QString& path) {
    Kalibrierung k;
    k.LoadFile(path);
    return storeOf(k);
}

// Files in a folder besides the ones named, hidden ones included.
QStringList othersIn(const QString& folder, const QStringList& known) {
    QStringList others;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (!known.contains(name))
            others.append(name);
    return others;
}

// The helper process that replaces a file on request.
class Helfer {
public:
    explicit Helfer(const QString& target) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        const QByteArray path = QFile::encodeName(target);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[1]);
            ::close(out[0]);
            ::execl(SPEICHERN_HELFER, "speichern_helfer", path.constData(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = out[0];
    }
    ~Helfer() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        ::close(m_in);
        ::close(m_out);
    }
    // Reads one line of the helper's output.
    QByteArray line() {
        QByteArray text;
        char c = 0;
        while (::read(m_out, &c, 1) == 1 && c != '\n')
            text += c;
        return text;
    }
    void go() { EXPECT_EQ(::write(m_in, "x", 1), 1); }
    // Waits for the helper's end; true when it succeeded.
    bool wait() {
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    // Kills the helper and returns whether it had finished by itself.
    bool kill() {
        ::kill(m_pid, SIGKILL);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    int m_out = -1;
};

// Runs f as an ordinary user: when the test runs as root, in a child process
// that gave up root (the checks of file permissions do not apply to root).
// f returns lines of text, which come back to the caller.
QStringList asUser(const std::function<QStringList()>& f) {
    if (::geteuid() != 0)
        return f();
    const KindErgebnis child = imKindprozess([&] {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            return QByteArray("setuid");
        return f().join(u'\n').toUtf8();
    });
    return QString::fromUtf8(child.output).split(u'\n');
}

// "number|description" of the error f raises, or "0|".
QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const rt::RuntimeError& e) {
        return QStringLiteral("%1|%2").arg(e.number()).arg(e.description());
    }
    return QStringLiteral("0|");
}

} // namespace

// SIGKILL at many moments of a save over an existing file of 10,000 pairs:
// the file is always the complete old one or the complete new one, and a
// later save works.
TEST(SpeichernTest, ASaveKilledAtAnyMomentKeepsTheOldOrTheNewFile) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("ziel.xml"));
    Kalibrierung oldK, newK;
    fillLarge(oldK, 0);
    fillLarge(newK, 1);
    oldK.SaveFile(dir.filePath(QStringLiteral("alt.xml")));
    newK.SaveFile(dir.filePath(QStringLiteral("neu.xml")));
    const QByteArray oldBytes = readFileBytes(dir.filePath(QStringLiteral("alt.xml")));
    const QByteArray newBytes = readFileBytes(dir.filePath(QStringLiteral("neu.xml")));
    ASSERT_NE(oldBytes, newBytes);
    const QStringList known{QStringLiteral("ziel.xml"), QStringLiteral("alt.xml"),
                            QStringLiteral("neu.xml")};

    // How long one save takes in the helper.
    writeFileBytes(target, oldBytes);
    std::chrono::nanoseconds saveTime{};
    {
        Helfer helper(target);
        ASSERT_EQ(helper.line(), "bereit");
        const auto start = std::chrono::steady_clock::now();
        helper.go();
        ASSERT_EQ(helper.line(), "fertig");
        saveTime = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(helper.wait());
    }
    ASSERT_EQ(readFileBytes(target), newBytes);

    // One save killed after a delay: the file is the old or the new one.
    int old = 0, complete = 0, finished = 0, kills = 0;
    auto killAfter = [&](std::chrono::nanoseconds delay) {
        writeFileBytes(target, oldBytes);
        Helfer helper(target);
        ASSERT_EQ(helper.line(), "bereit");
        helper.go();
        std::this_thread::sleep_for(delay);
        finished += helper.kill() ? 1 : 0;
        ++kills;
        const QByteArray now = readFileBytes(target);
        if (now == oldBytes)
            ++old;
        else if (now == newBytes)
            ++complete;
        else
            ADD_FAILURE() << "kill after " << delay.count() << " ns: the file is neither the old "
                          << "nor the new one (" << now.size() << " bytes)";
        // What a killed save may leave never stands in a later save's way.
        for (const QString& name : othersIn(dir.path(), known))
            EXPECT_TRUE(name.startsWith(QStringLiteral(".ziel.xml."))) << name.toStdString();
    };
    // Kills spread from the start of the save to a little after its end;
    // on a busy machine saves take longer, so later kills follow until one
    // comes after a save's end.
    const int spread = 60;
    for (int i = 0; i < spread; ++i)
        killAfter(saveTime * 5 / 4 * i / spread);
    for (auto delay = saveTime * 5 / 4; complete == 0 && kills < spread + 20; delay = delay * 3 / 2)
        killAfter(delay);
    std::printf("[ Abbrüche ] %d: %d alte Datei, %d neue Datei, %d Speichervorgänge beendet, "
                "Speichern dauert %.1f ms, %lld Reste\n",
                kills, old, complete, finished, saveTime.count() / 1e6,
                static_cast<long long>(othersIn(dir.path(), known).size()));
    EXPECT_EQ(old + complete, kills);
    EXPECT_GE(old, 1);
    EXPECT_GE(complete, 1);
    // Leftovers of killed saves go with the next save once they are old; a
    // young one (a save still running) and a file of another name stay.
    auto age = [&](const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                         QFileDevice::FileModificationTime);
    };
    writeFileBytes(dir.filePath(QStringLiteral(".ziel.xml.alt001")), newBytes);
    writeFileBytes(dir.filePath(QStringLiteral(".ziel.xml.jung01")), newBytes);
    writeFileBytes(dir.filePath(QStringLiteral(".ziel.xml.fremd")), "x");
    for (const QString& name : othersIn(dir.path(), known))
        if (name != QStringLiteral(".ziel.xml.jung01"))
            age(name);
    newK.ReplaceFile(target);
    EXPECT_EQ(othersIn(dir.path(), known),
              (QStringList{QStringLiteral(".ziel.xml.fremd"), QStringLiteral(".ziel.xml.jung01")}));
    // Both files load with the values they were saved with.
    writeFileBytes(target, oldBytes);
    EXPECT_TRUE(sameStore(storeOfFile(target), savedStore(oldK)));
    newK.ReplaceFile(target);
    EXPECT_TRUE(sameStore(storeOfFile(target), savedStore(newK)));
}

// A folder the user may not write to, and a read-only file in a folder he may.
TEST(SpeichernTest, NoWritePermissionAndReadOnlyTargets) {
    QTemporaryDir dir;
    const QString locked = dir.filePath(QStringLiteral("gesperrt"));
    const QString open = dir.filePath(QStringLiteral("offen"));
    ASSERT_TRUE(QDir().mkdir(locked));
    ASSERT_TRUE(QDir().mkdir(open));
    Kalibrierung example;
    fillWorkedExample(example);
    example.SaveFile(locked + QStringLiteral("/k.xml"));
    example.SaveFile(open + QStringLiteral("/nurlesen.xml"));
    const QByteArray before = readFileBytes(locked + QStringLiteral("/k.xml"));
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    ::chmod(QFile::encodeName(locked).constData(), 0555);
    ::chmod(QFile::encodeName(locked + QStringLiteral("/k.xml")).constData(), 0644);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    ::chmod(QFile::encodeName(open + QStringLiteral("/nurlesen.xml")).constData(), 0444);

    const QStringList results = asUser([&] {
        Kalibrierung k;
        fillLarge(k);
        return QStringList{
            errorOf([&] { k.SaveFile(locked + QStringLiteral("/neu.xml")); }),
            errorOf([&] { k.ReplaceFile(locked + QStringLiteral("/k.xml")); }),
            errorOf([&] { k.SaveFile(open + QStringLiteral("/nurlesen.xml")); }),
            errorOf([&] { k.ReplaceFile(open + QStringLiteral("/nurlesen.xml")); }),
        };
    });
    if (results == QStringList{QStringLiteral("setuid")})
        GTEST_SKIP() << "Root kann hier nicht zu einem gewöhnlichen Benutzer werden.";
    ASSERT_EQ(results.size(), 4) << results.join(u'\n').toStdString();
    const QString access = rt::errorDescription(rt::err::PathFileAccessError);
    for (int i : {0, 1}) {
        EXPECT_TRUE(results[i].startsWith(QStringLiteral("75|") + access))
            << results[i].toStdString();
        EXPECT_TRUE(results[i].contains(locked)) << results[i].toStdString();
    }
    // A read-only file is never overwritten by "save"; "replace" replaces it.
    EXPECT_TRUE(results[2].startsWith(QStringLiteral("58|"))) << results[2].toStdString();
    EXPECT_EQ(results[3], QStringLiteral("0|"));

    EXPECT_EQ(readFileBytes(locked + QStringLiteral("/k.xml")), before);
    EXPECT_EQ(othersIn(locked, {QStringLiteral("k.xml")}), QStringList());
    EXPECT_EQ(othersIn(open, {QStringLiteral("nurlesen.xml")}), QStringList());
    Kalibrierung large;
    fillLarge(large);
    EXPECT_TRUE(sameStore(storeOfFile(open + QStringLiteral("/nurlesen.xml")), savedStore(large)));
    ::chmod(QFile::encodeName(locked).constData(), 0755);
}

// A file system with no room left: the save fails with the system's reason,
// the old file stays whole, nothing is left behind.
TEST(SpeichernTest, AFullFileSystemKeepsTheOldFile) {
    QTemporaryDir dir;
    const KleinesTmpfs tmpfs(dir.path(), "256k");
    if (!tmpfs.fehlt().empty())
        GTEST_SKIP() << tmpfs.fehlt();

    const QString target = dir.filePath(QStringLiteral("k.xml"));
    Kalibrierung example;
    fillWorkedExample(example);
    example.SaveFile(target);
    const QByteArray before = readFileBytes(target);
    // Fill the rest.
    {
        QFile filler(dir.filePath(QStringLiteral("fueller")));
        ASSERT_TRUE(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'x');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
    }
    Kalibrierung large;
    fillLarge(large);
    const QString access = rt::errorDescription(rt::err::PathFileAccessError);
    for (const QString& result : {errorOf([&] { large.ReplaceFile(target); }), errorOf([&] {
                                      large.SaveFile(dir.filePath(QStringLiteral("neu.xml")));
                                  })}) {
        EXPECT_TRUE(result.startsWith(QStringLiteral("75|") + access)) << result.toStdString();
        // The system's reason follows in brackets.
        EXPECT_TRUE(result.endsWith(u')')) << result.toStdString();
    }
    EXPECT_EQ(readFileBytes(target), before);
    EXPECT_EQ(othersIn(dir.path(), {QStringLiteral("k.xml"), QStringLiteral("fueller")}),
              QStringList());
    // With room again, the same save works.
    QFile::remove(dir.filePath(QStringLiteral("fueller")));
    example.setPrüffelderAnzahl(4);
    example.ReplaceFile(target);
    EXPECT_TRUE(sameStore(storeOfFile(target), savedStore(example)));
}

// A replaced calibration keeps its mode (a private file stays private) and,
// where the process may, its owner and group; a file with several names is
// not replaced under one of them.
TEST(SpeichernTest, AReplacedFileKeepsItsIdentity) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("privat.xml"));
    Kalibrierung k;
    fillWorkedExample(k);
    k.SaveFile(path);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(QFile::encodeName(path).constData(), 65534, 100), 0);
    }
    k.setMesswert(pmDirekt, 1, 1, 94.5);
    k.ReplaceFile(path);
    struct stat s {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &s), 0);
    EXPECT_EQ(s.st_mode & 07777, 0600u);
    if (::geteuid() == 0) {
        EXPECT_EQ(s.st_uid, 65534u);
        EXPECT_EQ(s.st_gid, 100u);
    }
    Kalibrierung again;
    again.LoadFile(path);
    EXPECT_EQ(again.Messwert(pmDirekt, 1, 1).toDouble(), 94.5);

    // Two names of one file: refused, both keep the content.
    const QString second = dir.filePath(QStringLiteral("zweiter-name.xml"));
    ASSERT_EQ(::link(QFile::encodeName(path).constData(), QFile::encodeName(second).constData()),
              0);
    const QByteArray before = readFileBytes(path);
    k.setMesswert(pmDirekt, 1, 1, 93.0);
    EXPECT_EQ(errorNumberOf([&] { k.ReplaceFile(path); }), rt::err::PathFileAccessError);
    EXPECT_EQ(readFileBytes(path), before);
    EXPECT_EQ(readFileBytes(second), before);
}
