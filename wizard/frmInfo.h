#pragma once

#include <QDialog>

class QLabel;
class QPushButton;
class QTextEdit;

// The info box: product, version, publisher, subject and the addresses of
// the publisher and of the support office.
class frmInfo : public QDialog {
    Q_OBJECT

public:
    explicit frmInfo(QWidget* parent = nullptr);

    QLabel* labProductName;
    QLabel* labVersion;
    QLabel* labFirma;
    QLabel* labThema;
    QTextEdit* RichTextBox1;
    QPushButton* cmdClose;

private:
    void addLine(const QString& text, bool bold);
};
