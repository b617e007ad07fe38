#include "apps/calibrix/qt/QtDesktop.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>

namespace kestrava::calibrix {

namespace {

// Qt's own dialog, the same on every desktop: the name filter, the folder,
// the default extension, and for saving the question before replacing.
std::optional<std::string> choose(QWidget* owner, const platform::OpenFileRequest& request, bool save)
{
    QFileDialog dialog(owner, save ? "Save corr. file" : "Load corr. file",
                       QString::fromStdString(request.initialFolder));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(QString::fromStdString(request.filterDescription + " (" + request.filterPattern + ")"));
    dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    if (!request.initialName.empty())
        dialog.selectFile(QString::fromStdString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().front()).toStdString();
}

}  // namespace

void QtMessages::show(const std::string& text, const std::string& caption, platform::MessageIcon icon)
{
    QMessageBox box(icon == platform::MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok, owner_);
    box.exec();
}

std::optional<std::string> QtFileDialog::chooseFileToOpen(const platform::OpenFileRequest& request)
{
    return choose(owner_, request, false);
}

std::optional<std::string> QtFileDialog::chooseFileToSave(const platform::OpenFileRequest& request)
{
    return choose(owner_, request, true);
}

}  // namespace kestrava::calibrix
