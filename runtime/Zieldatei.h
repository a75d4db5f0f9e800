#pragma once

#include "runtime_export.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>

namespace rt {

// Removes the named temporary file of the file being written when the process
// is interrupted (SIGINT, SIGTERM, SIGHUP) and ends as the signal would. A
// signal ignored when the program started (nohup) stays ignored.
RUNTIME_EXPORT void entferneZieldateiBeiAbbruch();

// Raises error 75: "Die Datei „path“ kann nicht geschrieben werden: reason".
[[noreturn]] RUNTIME_EXPORT void cannotWrite(const QString& path, const QString& reason);

// The name proposed for an output of a calibration saved as file: beside it,
// with its base name and suffix ("/a/k.xml", "pdf" gives "/a/k.pdf"); "" for
// a calibration without a file.
RUNTIME_EXPORT QString ausgabeNeben(const QString& file, const QString& suffix);

// The one way the program writes a file: the calibration save and every
// output. The new content goes into a file the program creates in the
// target's folder through a descriptor no other user can swap (a file
// without a name, O_TMPFILE; where the file system has none, a hidden name
// created exclusively); every later step works on that descriptor, and
// commit() moves the complete, synced file into place in one step, with the
// mode, owner, group, ACL and extended attributes of the file it replaces.
// Without commit nothing is left behind.
//
// A link as target is written through to the file it names (every link on
// the way is checked: a link another user planted in a folder everybody may
// write to is refused, and so are the program's own open files in /proc such
// as /dev/stdout). The target must be a regular file with one name, or new.
class RUNTIME_EXPORT Zieldatei {
public:
    enum class Art {
        Neu,      // the name must be free (error 58 otherwise); a link is not followed
        Ersetzen, // the calibration save: replaces a read-only file of the caller's too
        Ausgabe,  // an output: a read-only file is refused
    };

    // Resolves and checks the target and creates the new file; raises a
    // German error (number 75, 76 or 58) when it cannot be written.
    Zieldatei(const QString& path, Art art);
    ~Zieldatei();
    Zieldatei(const Zieldatei&) = delete;
    Zieldatei& operator=(const Zieldatei&) = delete;

    // The new file's descriptor (read and write).
    int handle() const { return m_fd; }
    // A QFile on the descriptor, for writers that write into a device.
    QFile& datei();
    // Why writing through datei() failed, in German: a full file system by
    // name (a short write leaves no system error behind).
    QString schreibfehler() const;
    // Writes all bytes at the current position.
    void schreiben(const QByteArray& bytes);
    // Syncs the new file, gives it the replaced file's identity and moves it
    // into place, then syncs the folder.
    void commit();

    // For tests: a function called after the new file was created and right
    // before it is moved into place, while another process may interfere.
    enum class Schritt { Angelegt, VorDemUmbenennen };
    static void setzeEingriff(std::function<void(Schritt)> eingriff);
    // For tests: always a hidden name, as on file systems without O_TMPFILE.
    static void setzeNurBenannt(bool nurBenannt);

private:
    [[noreturn]] void fehler(int number, const QString& reason) const;
    [[noreturn]] void systemFehler(int error) const;
    void auflösen();
    void prüfen();
    void anlegen();
    QByteArray freierName(int& fd, int flags, mode_t mode);
    bool istUnsere(const QByteArray& name) const;
    void entferneAlteReste() const;
    void aufräumen();

    QString m_path;
    Art m_art;
    int m_ordner = -1; // the target's folder
    bool m_ordnerSync = false;
    QByteArray m_name;     // the target's name in it (never a link)
    QString m_anzeigeName; // the same, for the hidden names
    int m_fd = -1;
    QByteArray m_zwischen; // the hidden name, while there is one
    QFile m_datei;
    bool m_fertig = false;
};

} // namespace rt
