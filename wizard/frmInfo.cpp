#include "frmInfo.h"

#include "Symbole.h"

#include "basKalibrierungVelmorTeilE4.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

frmInfo::frmInfo(QWidget* parent) : QDialog(parent) {
    // F1: the help on this window.
    connect(new QShortcut(QKeySequence(Qt::Key_F1), this), &QShortcut::activated, this,
            [] { ShowHelpTopic(QStringLiteral("")); });
    setObjectName(QStringLiteral("frmInfo"));
    setWindowTitle(QStringLiteral("Info über ") + ProductName);
    setWindowIcon(Symbole::programm());
    auto crlf = [](QString text) {
        return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    };
    auto label = [this](const QString& name, const QString& text, double points, bool bold) {
        auto* l = new QLabel(text, this);
        l->setObjectName(name);
        QFont font = l->font();
        if (points > 0)
            font.setPointSizeF(points);
        font.setBold(bold);
        l->setFont(font);
        l->setWordWrap(true);
        return l;
    };
    labProductName = label(QStringLiteral("labProductName"), ProductName, 13, true);
    labVersion = label(QStringLiteral("labVersion"), VersionText(), 0, false);
    labFirma = label(QStringLiteral("labFirma"), crlf(TitleLines(0)), 0, false);
    labThema = label(QStringLiteral("labThema"),
                     crlf(TitleLines(2) + QStringLiteral("\r\n\r\n") + TitleLines(1)), 0, false);

    RichTextBox1 = new QTextEdit(this);
    RichTextBox1->setObjectName(QStringLiteral("RichTextBox1"));
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setMinimumHeight(170);
    // Each line is appended at the end with its own bold attribute.
    addLine(QStringLiteral("Herstellung Vertrieb"), true);
    addLine(QStringLiteral("Herausgebende Fachgesellschaft für Erdbau-Prüfverfahren"), false);
    addLine(QStringLiteral("Geschäftsstelle, Musterstraße 1"), false);
    addLine(QStringLiteral("12345 Musterstadt"), false);
    addLine(QString(), false);
    addLine(QStringLiteral("Support und programmtechnische Umsetzung"), true);
    addLine(QStringLiteral("Support-Stelle für das Kalibrierprogramm"), false);
    addLine(QStringLiteral("Beispielweg 2, 12345 Musterstadt"), false);
    addLine(QStringLiteral("E-Mail: support@example.org"), false);
    QTextCursor start = RichTextBox1->textCursor();
    start.movePosition(QTextCursor::Start);
    RichTextBox1->setTextCursor(start);

    cmdClose = new QPushButton(QStringLiteral("&Schließen"), this);
    cmdClose->setObjectName(QStringLiteral("cmdClose"));
    cmdClose->setDefault(true);
    connect(cmdClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* icon = new QLabel(this);
    icon->setPixmap(Symbole::programm().pixmap(QSize(48, 48), devicePixelRatioF()));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    auto* titles = new QVBoxLayout;
    titles->addWidget(labProductName);
    titles->addWidget(labVersion);
    titles->addSpacing(8);
    titles->addWidget(labFirma);
    titles->addSpacing(8);
    titles->addWidget(labThema);
    top->addLayout(titles, 1);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addWidget(RichTextBox1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdClose);
    layout->addLayout(buttons);
    resize(480, 460);
}

void frmInfo::addLine(const QString& text, bool bold) {
    QTextCursor cursor = RichTextBox1->textCursor();
    cursor.movePosition(QTextCursor::End);
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    if (!RichTextBox1->document()->isEmpty())
        cursor.insertBlock();
    cursor.insertText(text, format);
}
