// Measured values read from a text table through "Datei > Messwerte
// importieren..." or a dropped file: the dialog shows how the table is read,
// lists the rows that cannot be, and the import is one step that can be
// undone.

#include "WizardTestSupport.h"

#include "Ergebnisliste.h"
#include "Export.h"
#include "FlexGrid.h"
#include "Hilfe.h"
#include "ctlAssistent.h"
#include "frmMesswertImport.h"

#include "../core/Beispiel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUndoStack>

namespace {
const QString Daten = QStringLiteral(PROJECT_SOURCE_DIR "/tests/data/import/");
const QString Question =
    QStringLiteral("Die neue Kalibrierung wurde noch nicht gespeichert.\nSollen die Änderungen "
                   "gespeichert werden?");
} // namespace

class ImportTest : public WizardTest {
protected:
    // The dialog the import shows: looked at by seen, then answered.
    void antworte(std::function<int(frmMesswertImport&)> seen) {
        messages.onDialog = [seen](QDialog* dialog) {
            auto* importDialog = dynamic_cast<frmMesswertImport*>(dialog);
            return importDialog ? seen(*importDialog) : int(QDialog::Rejected);
        };
    }
    QTemporaryDir dir;
};

TEST_F(ImportTest, TheOwnExportImportsBackAsOneStepThatCanBeUndone) {
    Kalibrierung beispiel;
    fillWorkedExample(beispiel);
    describeWorkedExample(beispiel);
    beispiel.setMesswert(pmDirekt, 2, 2, 99.5);
    // Requirement lines with their numbers below the results are no values.
    setAnforderung(beispiel, 1, 97.45);
    const QString csv = dir.filePath(QStringLiteral("Beispiel.csv"));
    ExportiereKalibrierung(beispiel, csv);

    describeWorkedExample(k);
    k.setIsDirty(false);
    const QByteArray vorher = k.ContentString();
    frmAssistent* w = openOnPage(k, 1);
    QStringList spalten;
    antworte([&](frmMesswertImport& d) {
        EXPECT_EQ(d.cboTrenner->currentText(), QStringLiteral("Semikolon ( ; )"));
        EXPECT_EQ(d.cboDezimal->currentText(), QStringLiteral("Komma (95,5)"));
        EXPECT_TRUE(d.chkKopfzeile->isChecked());
        EXPECT_EQ(d.labDatei->text(), QStringLiteral("Datei: Beispiel.csv (Zeichensatz UTF-8)"));
        for (QComboBox* c : d.cboSpalten)
            spalten.append(c->currentText());
        // The preview shows the numbers as they will be read.
        EXPECT_EQ(d.tblVorschau->item(5, 3)->text(), QStringLiteral("99,5"));
        EXPECT_FALSE(d.lstFehler->isVisibleTo(&d));
        EXPECT_TRUE(d.labErgebnis->text().startsWith(
            QStringLiteral("Gelesen werden 9 Zeilen mit 9 Prüfpunkten in 3 Prüffeldern.")))
            << d.labErgebnis->text().toStdString();
        saveScreenshot(&d, QStringLiteral("import"));
        d.cmdImportieren->click();
        return d.result();
    });
    messages.fileAnswers = {csv};
    w->mf_import->trigger();
    EXPECT_EQ(messages.dialogs, QStringList{QStringLiteral("frmMesswertImport")});
    EXPECT_TRUE(messages.fileDialogs.value(0).startsWith(
        QStringLiteral("open|Messwerte importieren||Messwerttabellen (*.csv *.txt *.xlsx *.ods)")));
    EXPECT_EQ(spalten, (QStringList{QStringLiteral("Prüffeld"), QStringLiteral("Kovariable"),
                                    QStringLiteral("Prüfpunkt (nicht gelesen)"),
                                    QStringLiteral("direktes Prüfmerkmal"),
                                    QStringLiteral("indirektes Prüfmerkmal")}));
    // Page 3 shows the values read; the characteristics stay.
    ASSERT_EQ(w->ctlAssistent1->Page, 3);
    FlexGrid* g = child<FlexGrid>(w, "fgMesswerte");
    EXPECT_EQ(g->Rows(), 10);
    EXPECT_EQ(g->TextMatrix(5, 2), QStringLiteral("99,50"));
    for (int f = 1; f <= 3; ++f) {
        EXPECT_EQ(k.PrüffeldWert(f), beispiel.PrüffeldWert(f));
        for (int p = 1; p <= 3; ++p) {
            EXPECT_EQ(k.Messwert(pmDirekt, f, p), beispiel.Messwert(pmDirekt, f, p));
            EXPECT_EQ(k.Messwert(pmIndirekt, f, p), beispiel.Messwert(pmIndirekt, f, p));
        }
    }
    EXPECT_EQ(k.DirektesPrüfmerkmal().Formelzeichen(), QStringLiteral("DPr"));
    EXPECT_TRUE(k.IsDirty());
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Messwerte importieren"));

    w->mb_undo->trigger();
    k.setIsDirty(false);
    EXPECT_EQ(k.ContentString(), vorher);
    EXPECT_EQ(g->Rows(), 13); // three fields of four points, as before
    EXPECT_TRUE(messages.texts.isEmpty()) << messages.texts.join(u'|').toStdString();
}

TEST_F(ImportTest, BadRowsAreListedAndCancellingChangesNothing) {
    savedWorkedExample(k);
    const QByteArray vorher = k.ContentString();
    frmAssistent* w = openOnPage(k, 3);
    QStringList liste;
    antworte([&](frmMesswertImport& d) {
        for (int i = 0; i < d.lstFehler->count(); ++i)
            liste.append(d.lstFehler->item(i)->text());
        EXPECT_TRUE(d.labErgebnis->text().contains(
            QStringLiteral("2 Zeilen können nicht gelesen werden:")));
        // Asked whether to import the rest, the user says no: the dialog stays.
        messages.answers = {MessageService::AnswerNo};
        d.cmdImportieren->click();
        EXPECT_EQ(messages.texts.value(0),
                  QStringLiteral("2 Zeilen der Datei können nicht gelesen werden und werden "
                                 "ausgelassen (siehe Liste).\nSollen die übrigen 9 Zeilen "
                                 "importiert werden?"));
        EXPECT_NE(d.result(), int(QDialog::Accepted));
        d.cmdAbbrechen->click();
        return d.result();
    });
    EXPECT_FALSE(w->importieren(Daten + QStringLiteral("Fehlerhafte-Zeilen.csv")));
    EXPECT_EQ(liste, (QStringList{QStringLiteral("Zeile 5: „9x“ ist kein Zahlenwert für direktes "
                                                 "Prüfmerkmal."),
                                  QStringLiteral("Zeile 7: Die Zeile hat 2 statt 3 Spalten.")}));
    EXPECT_EQ(k.ContentString(), vorher);
    EXPECT_FALSE(w->mb_undo->isEnabled());

    // Importing the rest.
    messages.clear();
    antworte([&](frmMesswertImport& d) {
        messages.answers = {MessageService::AnswerYes};
        d.cmdImportieren->click();
        return d.result();
    });
    EXPECT_TRUE(w->importieren(Daten + QStringLiteral("Fehlerhafte-Zeilen.csv")));
    EXPECT_EQ(k.PrüffeldPrüfpunkte(1), 3);
    EXPECT_EQ(k.Messwert(pmDirekt, 2, 2).toDouble(), 99.0);
}

TEST_F(ImportTest, SeparatorsDecimalsAndColumnsCanBeChanged) {
    describeWorkedExample(k);
    frmAssistent* w = openOnPage(k, 1);
    const QString zweideutig = dir.filePath(QStringLiteral("zweideutig.txt"));
    {
        QFile f(zweideutig);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("2\t1.234\t30\n2\t1.235\t32\n2\t1.236\t34\n4\t1.237\t40\n4\t1.238\t42\n"
                "4\t1.239\t44\n6\t1.240\t50\n6\t1.241\t52\n6\t1.242\t54\n");
    }
    antworte([&](frmMesswertImport& d) {
        EXPECT_EQ(d.cboTrenner->currentText(), QStringLiteral("Tabulator"));
        EXPECT_FALSE(d.chkKopfzeile->isChecked());
        // Both readings possible: nothing is guessed, the user chooses.
        EXPECT_EQ(d.cboDezimal->currentIndex(), -1);
        EXPECT_FALSE(d.cmdImportieren->isEnabled());
        EXPECT_TRUE(d.labDezimal->text().contains(QStringLiteral("bitte wählen")));
        d.cboDezimal->setCurrentIndex(d.cboDezimal->findText(QStringLiteral("Punkt (95.5)")));
        EXPECT_TRUE(d.cmdImportieren->isEnabled());
        EXPECT_EQ(d.tblVorschau->item(1, 1)->text(), QStringLiteral("1,234"));
        // Without a covariable column there is nothing to group by.
        d.cboSpalten[0]->setCurrentIndex(d.cboSpalten[0]->findText(QStringLiteral("nicht lesen")));
        EXPECT_FALSE(d.cmdImportieren->isEnabled());
        EXPECT_TRUE(d.labErgebnis->text().startsWith(
            QStringLiteral("Es gibt keine Spalte für die Kovariable „Anzahl der Übergänge“ (Z). "
                           "Wählen Sie über den Spalten der Vorschau, was sie enthalten.")))
            << d.labErgebnis->text().toStdString();
        d.cboSpalten[0]->setCurrentIndex(d.cboSpalten[0]->findText(QStringLiteral("Kovariable")));
        EXPECT_TRUE(d.cmdImportieren->isEnabled());
        // Another separator reads one column per line: nothing to import.
        d.cboTrenner->setCurrentIndex(d.cboTrenner->findText(QStringLiteral("Semikolon ( ; )")));
        EXPECT_EQ(d.cboSpalten.size(), 1);
        EXPECT_FALSE(d.cmdImportieren->isEnabled());
        d.cboTrenner->setCurrentIndex(d.cboTrenner->findText(QStringLiteral("Tabulator")));
        // The user's choice stays whatever the separator.
        EXPECT_EQ(d.cboDezimal->currentText(), QStringLiteral("Punkt (95.5)"));
        d.cmdImportieren->click();
        return d.result();
    });
    ASSERT_TRUE(w->importieren(zweideutig));
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 1.234);
    EXPECT_EQ(k.PrüffeldWert(3), 6.0);

    // A Latin-1 file with a header names its columns; F1 opens the import's help.
    setApplicationHelpFile(QStringLiteral(ORVANTA_HELP_DIR "/VelmorTeilE4.html"));
    antworte([&](frmMesswertImport& d) {
        // Shown as exec would show it, in front of the wizard.
        d.show();
        QApplication::setActiveWindow(&d);
        EXPECT_EQ(QApplication::activeWindow(), &d);
        QTest::keyClick(&d, Qt::Key_F1);
        EXPECT_TRUE(frmHilfe::offen());
        if (frmHilfe::offen()) {
            EXPECT_EQ(frmHilfe::offen()->browser->source().fileName(),
                      QStringLiteral("import.html"));
        }
        if (frmHilfe::offen()) {
            saveScreenshot(frmHilfe::offen(), QStringLiteral("hilfe-import"));
            frmHilfe::offen()->close();
        }
        EXPECT_TRUE(d.labDatei->text().contains(QStringLiteral("Latin-1")));
        EXPECT_EQ(d.tblVorschau->horizontalHeaderItem(1)->text(),
                  QStringLiteral("Anzahl der Übergänge"));
        d.cmdImportieren->click();
        return d.result();
    });
    // Unsaved values: asked first; Abbrechen keeps them.
    ASSERT_TRUE(k.IsDirty());
    messages.answers = {MessageService::AnswerCancel};
    EXPECT_FALSE(w->importieren(Daten + QStringLiteral("Latin1-Dezimalkomma.csv")));
    EXPECT_EQ(messages.texts, QStringList{Question});
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 1.234);
    messages.answers = {MessageService::AnswerNo};
    EXPECT_TRUE(w->importieren(Daten + QStringLiteral("Latin1-Dezimalkomma.csv")));
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 95.5);
    // The import began a new history: one step, and undoing it brings back
    // the values that were never saved.
    EXPECT_EQ(w->undoStack()->count(), 1);
    w->mb_undo->trigger();
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 1.234);
    EXPECT_TRUE(k.IsDirty());
}

TEST_F(ImportTest, ADroppedTableIsImportedAndAMissingFileIsReported) {
    describeWorkedExample(k);
    frmAssistent* w = openOnPage(k, 1);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Daten + QStringLiteral("Z-DPr-EVD-Dezimalpunkt.csv"))});
    antworte([](frmMesswertImport& d) {
        d.cmdImportieren->click();
        return d.result();
    });
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &drop);
    EXPECT_EQ(messages.dialogs, QStringList{QStringLiteral("frmMesswertImport")});
    EXPECT_EQ(k.Messwert(pmIndirekt, 1, 1).toDouble(), 30.1);
    EXPECT_EQ(w->ctlAssistent1->Page, 3);

    EXPECT_FALSE(w->importieren(dir.filePath(QStringLiteral("fehlt.csv"))));
    EXPECT_TRUE(messages.texts.value(0).contains(QStringLiteral("wurde nicht gefunden")));
}

TEST_F(ImportTest, AWorkbookIsReadByItsSheetAndAddedToTheFields) {
    savedWorkedExample(k);
    frmAssistent* w = openOnPage(k, 3);
    antworte([&](frmMesswertImport& d) {
        EXPECT_TRUE(d.labDatei->text().contains(QStringLiteral("Excel-Arbeitsmappe")))
            << d.labDatei->text().toStdString();
        EXPECT_TRUE(d.cboBlatt->isVisibleTo(&d));
        EXPECT_FALSE(d.cboTrenner->isVisibleTo(&d));
        EXPECT_EQ(d.cboBlatt->currentText(), QStringLiteral("Messwerte"));
        EXPECT_TRUE(d.chkKopfzeile->isChecked());
        EXPECT_EQ(d.tblVorschau->horizontalHeaderItem(1)->text(), QStringLiteral("Übergänge"));
        EXPECT_EQ(d.tblVorschau->item(1, 2)->text(), QStringLiteral("95,1"));
        // What happens to the calibration's fields is said, and can be chosen.
        EXPECT_TRUE(d.optErsetzen->isChecked());
        EXPECT_EQ(d.labZiel->text(),
                  QStringLiteral("Die 3 Prüffelder mit 9 Prüfpunkten der Kalibrierung werden "
                                 "ersetzt."));
        d.optAnhängen->click();
        EXPECT_EQ(d.labZiel->text(),
                  QStringLiteral("Die 5 Prüffelder der Datei werden nach den 3 Prüffeldern der "
                                 "Kalibrierung angefügt; diese bleiben."));
        saveScreenshot(&d, QStringLiteral("import-mappe"));
        d.cmdImportieren->click();
        return d.result();
    });
    ASSERT_TRUE(w->importieren(Daten + QStringLiteral("lo-messwerte.xlsx")));
    EXPECT_EQ(k.PrüffelderAnzahl(), 8);
    EXPECT_EQ(k.Messwert(pmDirekt, 1, 1).toDouble(), 95.0);
    EXPECT_EQ(k.Messwert(pmDirekt, 4, 1).toDouble(), 95.1);
    EXPECT_EQ(k.PrüffeldWert(8), 10.0);
    EXPECT_EQ(w->mb_undo->text(), QStringLiteral("Rückgängig: Messwerte anhängen"));
    w->mb_undo->trigger();
    EXPECT_EQ(k.PrüffelderAnzahl(), 3);
}

TEST_F(ImportTest, AMissingColumnIsAskedForAndManyBadRowsAreCounted) {
    describeWorkedExample(k);
    frmAssistent* w = openOnPage(k, 1);
    const QString datei = dir.filePath(QStringLiteral("walze.csv"));
    {
        QFile f(datei);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(dreiFelder(
            "Feld;Walze;DPr;EVD", [](int i) { return "9" + QByteArray::number(i); },
            [](int i) { return "3" + QByteArray::number(i); }));
        for (int i = 0; i < 3000; ++i)
            f.write("3;6;x;1\n");
    }
    antworte([&](frmMesswertImport& d) {
        // The header names no covariable: nothing is guessed, the user maps it.
        EXPECT_EQ(d.cboSpalten.value(1)->currentText(), QStringLiteral("nicht lesen"));
        EXPECT_FALSE(d.cmdImportieren->isEnabled());
        EXPECT_TRUE(d.labErgebnis->text().contains(QStringLiteral("keine Spalte für die "
                                                                  "Kovariable")));
        EXPECT_TRUE(d.labErgebnis->text().contains(QStringLiteral("Nicht gelesen: „Walze“.")));
        d.cboSpalten[1]->setCurrentIndex(d.cboSpalten[1]->findText(QStringLiteral("Kovariable")));
        EXPECT_TRUE(d.cmdImportieren->isEnabled());
        EXPECT_EQ(d.lstFehler->count(), 1001);
        EXPECT_EQ(d.lstFehler->item(1000)->text(), QStringLiteral("… und 2.000 weitere Zeilen"));
        EXPECT_TRUE(d.labErgebnis->text().contains(
            QStringLiteral("3.000 Zeilen können nicht gelesen werden")))
            << d.labErgebnis->text().toStdString();
        messages.answers = {MessageService::AnswerYes};
        d.cmdImportieren->click();
        EXPECT_TRUE(messages.texts.value(0).startsWith(QStringLiteral("3.000 Zeilen der Datei")));
        return d.result();
    });
    ASSERT_TRUE(w->importieren(datei));
    EXPECT_EQ(k.PrüffeldWert(2), 4.0);
    EXPECT_EQ(k.Messwert(pmDirekt, 3, 3).toDouble(), 98.0);
}
