#pragma once

#include <QString>
#include <QTemporaryFile>

// Removes the temporary file of the output being written when the process is
// interrupted (SIGINT, SIGTERM, SIGHUP) and ends as the signal would.
void entferneZieldateiBeiAbbruch();

// The name proposed for an output of a calibration saved as file: beside it,
// with its base name and suffix ("/a/k.xml", "pdf" gives "/a/k.pdf"); "" for
// a calibration without a file.
QString ausgabeNeben(const QString& file, const QString& suffix);

// Raises error 75: "Die Datei „path“ kann nicht geschrieben werden: reason".
[[noreturn]] void cannotWrite(const QString& path, const QString& reason);

// A file written by a library that takes a path (a PDF printer, a workbook
// writer): it writes a temporary file beside the target, which commit()
// moves into place in one step, replacing an existing file. Without commit
// the temporary file is removed: a failure never leaves a half-written file.
class Zieldatei {
public:
    // Checks the target's folder and creates the temporary file; error 75.
    explicit Zieldatei(const QString& path);
    ~Zieldatei();
    QString temporaryPath() const { return m_temporary.fileName(); }
    void commit();

private:
    QString m_path;
    QTemporaryFile m_temporary;
};
