#include "Seite.h"

#include <QLabel>
#include <QVBoxLayout>

Seite::Seite(Kalibrierung& k, int index, const QString& caption, QWidget* parent)
    : QWidget(parent), m_k(k) {
    setObjectName(QStringLiteral("picContainer%1").arg(index));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!caption.isEmpty()) {
        labPageCaption = new QLabel(caption, this);
        labPageCaption->setObjectName(QStringLiteral("labPageCaption"));
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(13);
        font.setBold(true);
        labPageCaption->setFont(font);
        layout->addWidget(labPageCaption);
        layout->addSpacing(6);
    }
    m_inhalt = new QVBoxLayout;
    layout->addLayout(m_inhalt, 1);
}

QLabel* überschrift(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}
