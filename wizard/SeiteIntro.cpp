#include "SeiteIntro.h"

#include "Einstellungen.h"

#include "basKalibrierungVelmorTeilE4.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString lines(const QString& crlf) {
    return QString(crlf).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
} // namespace

SeiteIntro::SeiteIntro(Kalibrierung& k, QWidget* parent) : Seite(k, 0, QString(), parent) {
    auto label = [this](const QString& name, double points, bool bold) {
        auto* l = new QLabel(this);
        l->setObjectName(name);
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(points);
        font.setBold(bold);
        l->setFont(font);
        l->setAlignment(Qt::AlignCenter);
        l->setWordWrap(true);
        return l;
    };
    labFirma = label(QStringLiteral("labFirma"), 11, false);
    labThema = label(QStringLiteral("labThema"), 15, true);
    labVersion = label(QStringLiteral("labVersion"), 9, false);
    labCredit = label(QStringLiteral("labCredit"), 8, false);
    labFirma->setText(lines(TitleLines(0)));
    labThema->setText(lines(TitleLines(2) + QStringLiteral("\r\n\r\n") + TitleLines(1)));
    labVersion->setText(VersionText());
    labCredit->setText(QStringLiteral("Statistische Auswertung von Kalibrierfeldern für die "
                                      "Verdichtungskontrolle im Erdbau"));

    cmdInfo = new QPushButton(QStringLiteral("Info..."), this);
    cmdInfo->setObjectName(QStringLiteral("cmdInfo"));
    chkDontShowPage0 = new QCheckBox(QStringLiteral("Diese Seite nicht mehr anzeigen."), this);
    chkDontShowPage0->setObjectName(QStringLiteral("chkDontShowPage0"));
    connect(chkDontShowPage0, &QCheckBox::clicked, this,
            [this] { Einstellungen::setDontShowPage0(chkDontShowPage0->isChecked()); });

    QVBoxLayout* v = inhalt();
    v->addSpacing(16);
    v->addWidget(labFirma);
    v->addStretch(1);
    v->addWidget(labThema);
    v->addSpacing(12);
    v->addWidget(labVersion);
    v->addStretch(2);
    v->addWidget(labCredit);
    v->addSpacing(8);
    auto* row = new QHBoxLayout;
    row->addWidget(chkDontShowPage0);
    row->addStretch(1);
    row->addWidget(cmdInfo);
    v->addLayout(row);
}
