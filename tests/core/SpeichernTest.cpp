// Saving a calibration: a save that is killed at any moment leaves the
// complete old file or the complete new one; a folder without write
// permission, a full file system and a read-only target give the caller the
// core's error with its German description.

#include "TestSupport.h"

#include "Beispiel.h"
#include "GrosseKalibrierung.h"

#include "Kalibrierung.h"

#include "RuntimeError.h"
#include "Zieldatei.h"

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
    // young one (a save still running) and the user's own files of similar
    // names stay, however old.
    auto age = [&](const QString& name) {
        QFile file(dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-7200),
                         QFileDevice::FileModificationTime);
    };
    writeFileBytes(dir.filePath(QStringLiteral(".ziel.xml.orvanta-alt001")), newBytes);
    writeFileBytes(dir.filePath(QStringLiteral(".ziel.xml.orvanta-jung01")), newBytes);
    const QStringList userFiles{
        QStringLiteral(".ziel.xml.201207"),    QStringLiteral(".ziel.xml.Kopie1"),
        QStringLiteral(".ziel.xml.backup"),    QStringLiteral(".ziel.xml.fremd"),
        QStringLiteral(".ziel.xml.orvanta-1"), QStringLiteral(".ziel.xml.sicher")};
    for (const QString& name : userFiles)
        writeFileBytes(dir.filePath(name), "x");
    for (const QString& name : othersIn(dir.path(), known))
        if (name != QStringLiteral(".ziel.xml.orvanta-jung01"))
            age(name);
    newK.ReplaceFile(target);
    QStringList left = othersIn(dir.path(), known);
    QStringList kept = userFiles + QStringList{QStringLiteral(".ziel.xml.orvanta-jung01")};
    left.sort();
    kept.sort();
    EXPECT_EQ(left, kept);
    // Both files load with the values they were saved with.
    writeFileBytes(target, oldBytes);
    EXPECT_TRUE(sameStore(storeOfFile(target), savedStore(oldK)));
    newK.ReplaceFile(target);
    EXPECT_TRUE(sameStore(storeOfFile(target), savedStore(newK)));
}

// A folder the user may not write to, a read-only file of his in a folder he
// may, and another user's file in his own folder.
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
    // Another user's file, which he may not write, in the user's own folder:
    // the folder would let him rename over it.
    const QString own = dir.filePath(QStringLiteral("eigen"));
    ASSERT_TRUE(QDir().mkdir(own));
    const QString foreign = own + QStringLiteral("/fremd.xml");
    example.SaveFile(foreign);
    ::chmod(QFile::encodeName(foreign).constData(), 0644);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(QFile::encodeName(open + QStringLiteral("/nurlesen.xml")).constData(),
                          NobodyId, NobodyId),
                  0);
        ASSERT_EQ(::chown(QFile::encodeName(own).constData(), NobodyId, NobodyId), 0);
    }
    const QString foreignBefore = dateikennung(foreign);
    const QByteArray foreignBytes = readFileBytes(foreign);

    const QStringList results = asUser([&] {
        Kalibrierung k;
        fillLarge(k);
        return QStringList{
            errorOf([&] { k.SaveFile(locked + QStringLiteral("/neu.xml")); }),
            errorOf([&] { k.ReplaceFile(locked + QStringLiteral("/k.xml")); }),
            errorOf([&] { k.SaveFile(open + QStringLiteral("/nurlesen.xml")); }),
            errorOf([&] { k.ReplaceFile(open + QStringLiteral("/nurlesen.xml")); }),
            errorOf([&] { k.ReplaceFile(foreign); }),
        };
    });
    if (results == QStringList{QStringLiteral("setuid")})
        GTEST_SKIP() << "Root kann hier nicht zu einem gewöhnlichen Benutzer werden.";
    ASSERT_EQ(results.size(), 5) << results.join(u'\n').toStdString();
    const QString access = rt::errorDescription(rt::err::PathFileAccessError);
    for (int i : {0, 1}) {
        EXPECT_TRUE(results[i].startsWith(QStringLiteral("75|") + access))
            << results[i].toStdString();
        EXPECT_TRUE(results[i].contains(locked)) << results[i].toStdString();
    }
    // A read-only file is never overwritten by "save"; "replace" replaces it.
    EXPECT_TRUE(results[2].startsWith(QStringLiteral("58|"))) << results[2].toStdString();
    EXPECT_EQ(results[3], QStringLiteral("0|"));
    // Write permission is what the system grants, not the mode's bits: the
    // other user's file stays his, unchanged.
    if (root) {
        EXPECT_TRUE(results[4].startsWith(QStringLiteral("75|") + access))
            << results[4].toStdString();
        EXPECT_TRUE(results[4].contains(QStringLiteral("keine Schreibberechtigung")))
            << results[4].toStdString();
        EXPECT_EQ(dateikennung(foreign), foreignBefore);
        EXPECT_EQ(readFileBytes(foreign), foreignBytes);
        EXPECT_EQ(othersIn(own, {QStringLiteral("fremd.xml")}), QStringList());
    }

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

// A replaced calibration keeps its mode (a private file stays private), its
// ACL and extended attributes and, where the process may, its owner and
// group; a file with several names is not replaced under one of them.
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

    // A named entry in the ACL and an attribute of the user's stay; the group
    // gains nothing.
    if (werkzeug(QStringLiteral("setfacl"),
                 {QStringLiteral("-m"), QStringLiteral("u:nobody:rw"), path}) &&
        werkzeug(QStringLiteral("setfattr"),
                 {QStringLiteral("-n"), QStringLiteral("user.kommentar"), QStringLiteral("-v"),
                  QStringLiteral("Feld 3"), path})) {
        const QString before = dateikennung(path);
        EXPECT_TRUE(before.contains(QStringLiteral("system.posix_acl_access=")));
        EXPECT_TRUE(before.contains(QStringLiteral("user.kommentar=")));
        k.setMesswert(pmDirekt, 1, 1, 95.5);
        k.ReplaceFile(path);
        EXPECT_EQ(dateikennung(path), before);
        again.LoadFile(path);
        EXPECT_EQ(again.Messwert(pmDirekt, 1, 1).toDouble(), 95.5);
        // A folder's default ACL, which a new file would inherit, does not
        // widen a replaced one.
        ASSERT_TRUE(werkzeug(QStringLiteral("setfacl"), {QStringLiteral("-b"), path}));
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0600), 0);
        ASSERT_TRUE(
            werkzeug(QStringLiteral("setfacl"), {QStringLiteral("-d"), QStringLiteral("-m"),
                                                 QStringLiteral("u:nobody:rwx"), dir.path()}));
        const QString plain = dateikennung(path);
        k.ReplaceFile(path);
        EXPECT_EQ(dateikennung(path), plain);
        ASSERT_TRUE(werkzeug(QStringLiteral("setfacl"), {QStringLiteral("-k"), dir.path()}));
    } else {
        std::printf("[ Hinweis  ] setfacl/setfattr fehlen oder das Dateisystem kennt keine ACL\n");
    }

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

// A file whose group the user may not give (he is no member of it) loses the
// group's permissions when he replaces it, so that the group he has instead
// gains nothing.
TEST(SpeichernTest, AGroupThatCannotBeKeptGainsNothing) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "Braucht root, um eine Datei einer fremden Gruppe anzulegen.";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    const QString path = dir.filePath(QStringLiteral("gruppe.xml"));
    Kalibrierung k;
    fillWorkedExample(k);
    k.SaveFile(path);
    // nobody's file in group root, which nobody is no member of.
    ASSERT_EQ(::chown(QFile::encodeName(path).constData(), NobodyId, 0), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0664), 0);
    const KindErgebnis child = imKindprozess([&] {
        if (::setresgid(NobodyId, NobodyId, NobodyId) != 0 ||
            ::setresuid(NobodyId, NobodyId, NobodyId) != 0)
            return QByteArray("setuid");
        return errorOf([&] { k.ReplaceFile(path); }).toUtf8();
    });
    ASSERT_TRUE(child.ended);
    EXPECT_EQ(child.output, "0|");
    EXPECT_EQ(dateikennung(path), QStringLiteral("0604 %1:%1").arg(NobodyId));
}

// Another user who shares the folder swaps the hidden file of a save for a
// link to a file of the saving user's: the link is never written through,
// the file stays as it was, and the save fails. With a file without name
// (O_TMPFILE) and with a hidden name, as where the file system has none.
TEST(SpeichernTest, ASwappedHiddenFileNeverReachesAnotherFile) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "Braucht root, um als ein anderer Benutzer zu handeln.";
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString shared = dir.filePath(QStringLiteral("geteilt"));
    const QString privat = dir.filePath(QStringLiteral("privat"));
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_TRUE(QDir().mkdir(privat));
    ::chmod(QFile::encodeName(shared).constData(), 0777);
    const QString victim = privat + QStringLiteral("/opfer.txt");
    writeFileBytes(victim, "geheim\n");
    ::chmod(QFile::encodeName(victim).constData(), 0600);
    const QString victimBefore = dateikennung(victim);

    Kalibrierung old, k;
    fillWorkedExample(old);
    fillLarge(k);
    const QString target = shared + QStringLiteral("/k.xml");
    old.SaveFile(target);
    const QByteArray oldBytes = readFileBytes(target);
    for (const bool named : {false, true}) {
        SCOPED_TRACE(named ? "benannt" : "unbenannt");
        int swapped = 0;
        rt::Zieldatei::setzeNurBenannt(named);
        rt::Zieldatei::setzeEingriff([&](rt::Zieldatei::Schritt) {
            swapped += tauscheZwischendateienAlsNobody(shared, victim);
        });
        const QString result = errorOf([&] { k.ReplaceFile(target); });
        rt::Zieldatei::setzeEingriff(nullptr);
        rt::Zieldatei::setzeNurBenannt(false);
        EXPECT_GE(swapped, 1);
        EXPECT_TRUE(result.startsWith(QStringLiteral("75|"))) << result.toStdString();
        EXPECT_TRUE(result.contains(QStringLiteral("von einem anderen Benutzer ersetzt")))
            << result.toStdString();
        EXPECT_EQ(dateikennung(victim), victimBefore);
        EXPECT_EQ(readFileBytes(victim), QByteArray("geheim\n"));
        EXPECT_EQ(readFileBytes(target), oldBytes);
        for (const QString& name : othersIn(shared, {QStringLiteral("k.xml")}))
            QFile::remove(shared + u'/' + name);
    }
    // Unhindered, the same save works.
    k.ReplaceFile(target);
    EXPECT_TRUE(sameStore(storeOfFile(target), savedStore(k)));
}

// A link in a folder everybody may write to is followed only when it is the
// user's or the folder owner's: another user's link (planted in /tmp, say)
// is refused, and the file it names stays.
TEST(SpeichernTest, AnotherUsersLinkInASharedFolderIsNotFollowed) {
    QTemporaryDir dir;
    ::chmod(QFile::encodeName(dir.path()).constData(), 0755);
    const QString sticky = dir.filePath(QStringLiteral("sticky"));
    const QString open = dir.filePath(QStringLiteral("offen"));
    const QString victim = dir.filePath(QStringLiteral("opfer"));
    for (const QString& folder : {sticky, open, victim})
        ASSERT_TRUE(QDir().mkdir(folder));
    ::chmod(QFile::encodeName(sticky).constData(), 01777);
    ::chmod(QFile::encodeName(open).constData(), 0777);
    const QString v2 = victim + QStringLiteral("/v2.txt");
    writeFileBytes(v2, "bleibt\n");
    Kalibrierung k;
    fillWorkedExample(k);
    // The user's own link is followed, as before.
    const QString own = sticky + QStringLiteral("/eigen.xml");
    const QString ownTarget = victim + QStringLiteral("/eigen.xml");
    writeFileBytes(ownTarget, "alt");
    ASSERT_TRUE(QFile::link(ownTarget, own));
    k.ReplaceFile(own);
    EXPECT_TRUE(QFileInfo(own).isSymLink());
    EXPECT_TRUE(sameStore(storeOfFile(ownTarget), savedStore(k)));
    if (::geteuid() != 0)
        GTEST_SKIP() << "Braucht root, um einen Verweis eines anderen Benutzers anzulegen.";
    for (const QString& folder : {sticky, open}) {
        SCOPED_TRACE(folder.toStdString());
        const QString link = folder + QStringLiteral("/out.xml");
        ASSERT_TRUE(QFile::link(v2, link));
        ASSERT_EQ(::lchown(QFile::encodeName(link).constData(), NobodyId, NobodyId), 0);
        const QString result = errorOf([&] { k.ReplaceFile(link); });
        EXPECT_TRUE(result.startsWith(QStringLiteral("75|"))) << result.toStdString();
        EXPECT_TRUE(result.contains(QStringLiteral("gehört einem anderen Benutzer")))
            << result.toStdString();
        EXPECT_EQ(readFileBytes(v2), QByteArray("bleibt\n"));
        EXPECT_TRUE(QFileInfo(link).isSymLink());
        // Also as a link to the folder on the way.
        const QString folderLink = folder + QStringLiteral("/weiter");
        ASSERT_TRUE(QFile::link(victim, folderLink));
        ASSERT_EQ(::lchown(QFile::encodeName(folderLink).constData(), NobodyId, NobodyId), 0);
        EXPECT_TRUE(errorOf([&] {
                        k.ReplaceFile(folderLink + QStringLiteral("/v2.txt"));
                    }).startsWith(QStringLiteral("75|")));
        EXPECT_EQ(readFileBytes(v2), QByteArray("bleibt\n"));
    }
}
