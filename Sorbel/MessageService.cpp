#include "MessageService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

namespace {
MessageService defaultService;
MessageService* current = &defaultService;
} // namespace

MessageService::~MessageService() = default;

namespace {
void setIcon(QMessageBox& box, MessageService::Icon icon) {
    switch (icon) {
    case MessageService::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageService::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageService::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageService::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageService::NoIcon:
        break;
    }
}
} // namespace

MessageService::Answer MessageService::show(QWidget* parent, const QString& text,
                                            const QString& title, Icon icon, Buttons buttons) {
    QMessageBox box(parent);
    box.setText(text);
    box.setWindowTitle(title);
    setIcon(box, icon);
    // German captions, whatever the system's language.
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
    QPushButton* yes = nullptr;
    QPushButton* no = nullptr;
    if (buttons == Ok || buttons == OkCancel)
        ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    if (buttons == YesNo || buttons == YesNoCancel) {
        yes = box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole);
        no = box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole);
    }
    if (buttons == OkCancel || buttons == YesNoCancel)
        cancel = box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole);
    box.setDefaultButton(ok ? ok : yes);
    if (cancel)
        box.setEscapeButton(cancel);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    if (clicked && clicked == yes)
        return AnswerYes;
    if (clicked && clicked == no)
        return AnswerNo;
    if (clicked && clicked == ok)
        return AnswerOk;
    return cancel || buttons != Ok ? AnswerCancel : AnswerOk;
}

int MessageService::choose(QWidget* parent, const QString& text, const QString& title, Icon icon,
                           const QStringList& buttons, int defaultButton, int escapeButton) {
    QMessageBox box(parent);
    box.setText(text);
    box.setWindowTitle(title);
    setIcon(box, icon);
    QList<QPushButton*> added;
    for (qsizetype i = 0; i < buttons.size(); ++i)
        added.append(box.addButton(buttons[i], i == escapeButton ? QMessageBox::RejectRole
                                                                 : QMessageBox::AcceptRole));
    if (defaultButton >= 0 && defaultButton < added.size())
        box.setDefaultButton(added[defaultButton]);
    if (escapeButton >= 0 && escapeButton < added.size())
        box.setEscapeButton(added[escapeButton]);
    box.exec();
    const qsizetype chosen = added.indexOf(box.clickedButton());
    return chosen >= 0 ? int(chosen) : escapeButton;
}

namespace {
QString lastFolder;
std::function<void(const QString&)> folderChosen;

QString usableLastFolder() {
    return !lastFolder.isEmpty() && QFileInfo(lastFolder).isDir() ? lastFolder : QString();
}

struct Start {
    QString folder;
    QString name;
};

// Where a dialog opens and the name it proposes: a folder is opened, never
// proposed as a file name (Enter would write "folder.pdf" beside it).
Start startOf(const QString& given) {
    if (given.isEmpty())
        return {usableLastFolder(), QString()};
    QFileInfo info(given);
    if (info.isRelative()) {
        const QString folder = usableLastFolder();
        if (folder.isEmpty())
            return {QString(), info.fileName()};
        info = QFileInfo(QDir(folder).filePath(given));
    }
    if (info.isDir())
        return {info.absoluteFilePath(), QString()};
    const QString folder = info.absolutePath();
    return {QFileInfo(folder).isDir() ? folder : usableLastFolder(), info.fileName()};
}

// The folder of the file chosen (a folder chosen stands for itself).
void remember(const QString& chosen) {
    if (chosen.isEmpty())
        return;
    const QFileInfo info(chosen);
    lastFolder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    if (folderChosen)
        folderChosen(lastFolder);
}

QString runFileDialog(QWidget* parent, const QString& caption, const QString& folder,
                      const QString& name, const QString& filter, bool save,
                      const QString& defaultSuffix) {
    QFileDialog dialog(parent, caption, folder, filter);
    // Qt's own dialog on every desktop: it adds the suffix before it asks
    // about replacing a file, and it speaks German.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::HideNameFilterDetails, false);
    if (save) {
        dialog.setDefaultSuffix(defaultSuffix);
        if (!name.isEmpty())
            dialog.selectFile(name);
    }
    // German buttons, whatever the system's language.
    dialog.setLabelText(QFileDialog::Accept,
                        save ? QStringLiteral("&Speichern") : QStringLiteral("&Öffnen"));
    dialog.setLabelText(QFileDialog::Reject, QStringLiteral("Abbrechen"));
    dialog.setLabelText(QFileDialog::FileName, QStringLiteral("Datei&name:"));
    // These two labels have no field of their own: no access key.
    dialog.setLabelText(QFileDialog::FileType, QStringLiteral("Dateityp:"));
    dialog.setLabelText(QFileDialog::LookIn, QStringLiteral("Suchen in:"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}
} // namespace

void MessageService::setFolderMemory(const QString& start,
                                     std::function<void(const QString&)> chosen) {
    const QFileInfo info(start);
    lastFolder = info.isFile() ? info.absolutePath() : start;
    folderChosen = std::move(chosen);
}

QString MessageService::openFileName(QWidget* parent, const QString& caption,
                                     const QString& directory, const QString& filter) {
    const Start start = startOf(directory);
    // An open dialog shows the folder; a file given is only where it opens.
    const QString chosen = openFileDialog(parent, caption, start.folder, filter);
    remember(chosen);
    return chosen;
}

QString MessageService::saveFileName(QWidget* parent, const QString& caption,
                                     const QString& fileName, const QString& filter,
                                     const QString& defaultSuffix) {
    const Start start = startOf(fileName);
    const QString chosen =
        saveFileDialog(parent, caption, start.folder, start.name, filter, defaultSuffix);
    remember(chosen);
    return chosen;
}

QString MessageService::openFileDialog(QWidget* parent, const QString& caption,
                                       const QString& folder, const QString& filter) {
    return runFileDialog(parent, caption, folder, QString(), filter, false, QString());
}

QString MessageService::saveFileDialog(QWidget* parent, const QString& caption,
                                       const QString& folder, const QString& name,
                                       const QString& filter, const QString& defaultSuffix) {
    return runFileDialog(parent, caption, folder, name, filter, true, defaultSuffix);
}

int MessageService::execDialog(QDialog* dialog) {
    return dialog->exec();
}

MessageService& MessageService::instance() {
    return *current;
}

MessageService* MessageService::setInstance(MessageService* service) {
    MessageService* previous = current;
    current = service ? service : &defaultService;
    return previous;
}

QString MessageService::productTitle() {
    return QCoreApplication::applicationName();
}

MessageService::Answer showMessage(QWidget* parent, const QString& text, MessageService::Icon icon,
                                   MessageService::Buttons buttons, const QString& title) {
    return MessageService::instance().show(
        parent, text, title.isEmpty() ? MessageService::productTitle() : title, icon, buttons);
}

int chooseMessage(QWidget* parent, const QString& text, MessageService::Icon icon,
                  const QStringList& buttons, int defaultButton, int escapeButton,
                  const QString& title) {
    return MessageService::instance().choose(
        parent, text, title.isEmpty() ? MessageService::productTitle() : title, icon, buttons,
        defaultButton, escapeButton);
}
