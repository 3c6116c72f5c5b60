#include "settings/form7.h"

#include "common/cancelkey.h"
#include "common/dialogservice.h"
#include "settings/filetyperegistry.h"
#include "settings/iconresource.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScopeGuard>
#include <QVBoxLayout>

namespace quillet {

namespace {

// A box, the extension it registers (its caption), the kind of file and whether it starts checked.
struct ExtensionBox
{
    QCheckBox *Form7::*box;
    const char *extension;
    FileKind kind;
    bool checked;
};

const ExtensionBox kBoxes[] = {
    {&Form7::Check1, ".mp3", FileKind::Media, true},
    {&Form7::Check2, ".mp2", FileKind::Media, true},
    {&Form7::Check3, ".mpeg", FileKind::Media, true},
    {&Form7::Check4, ".avi", FileKind::Media, true},
    {&Form7::Check5, ".wav", FileKind::Media, true},
    {&Form7::Check6, ".wma", FileKind::Media, true},
    {&Form7::Check7, ".asf", FileKind::Media, true},
    {&Form7::Check8, ".asx", FileKind::Media, true},
    {&Form7::Check9, ".wm", FileKind::Media, true},
    {&Form7::Check10, ".wmx", FileKind::Media, true},
    {&Form7::Check11, ".wmp", FileKind::Media, true},
    {&Form7::Check12, ".aiff", FileKind::Media, true},
    {&Form7::Check13, ".snd", FileKind::Media, true},
    {&Form7::Check14, ".mid", FileKind::Media, true},
    {&Form7::Check15, ".wax", FileKind::Media, true},
    {&Form7::Check16, ".wmv", FileKind::Media, true},
    {&Form7::Check17, ".wvx", FileKind::Media, true},
    {&Form7::Check18, ".mpg", FileKind::Media, true},
    {&Form7::Check19, ".mpe", FileKind::Media, true},
    {&Form7::Check20, ".m1v", FileKind::Media, true},
    {&Form7::Check21, ".mp2", FileKind::Media, true},
    {&Form7::Check22, ".mpv2", FileKind::Media, true},
    {&Form7::Check23, ".mp2v", FileKind::Media, true},
    {&Form7::Check24, ".mpa", FileKind::Media, true},
    {&Form7::Check25, ".midi", FileKind::Media, true},
    {&Form7::Check26, ".rmi", FileKind::Media, true},
    {&Form7::Check27, ".ivf", FileKind::Media, true},
    {&Form7::Check28, ".aif", FileKind::Media, true},
    {&Form7::Check29, ".aifc", FileKind::Media, true},
    {&Form7::Check30, ".dat", FileKind::Media, true},
    {&Form7::Check31, ".au", FileKind::Media, true},
    {&Form7::Check32, ".mov", FileKind::Media, false},
    {&Form7::Check33, ".qt", FileKind::Media, false},
    {&Form7::Check34, ".pls", FileKind::Playlist, true},
    {&Form7::Check35, ".m3u", FileKind::Playlist, true},
    // The UTF-8 form of .m3u, which Quillet opens wherever it opens .m3u.
    {&Form7::Check36, ".m3u8", FileKind::Playlist, true},
};

const int kRows = 7;

} // namespace

Form7::Form7(QWidget *parent)
    : QWidget(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("Register File Types ..."));
    createControls();
    connectControls();
}

void Form7::createControls()
{
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(18);
    int index = 0;
    for (const ExtensionBox &entry : kBoxes) {
        auto *box = new QCheckBox(QString::fromLatin1(entry.extension), this);
        box->setChecked(entry.checked);
        this->*entry.box = box;
        // Down the columns, as a list of extensions is read.
        grid->addWidget(box, index % kRows, index / kRows);
        ++index;
    }

    Command2 = new QPushButton(QStringLiteral("&Select All"), this);
    Command1 = new QPushButton(QStringLiteral("&Register"), this);
    Command1->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command2);
    buttons->addWidget(Command1);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void Form7::connectControls()
{
    connect(Command1, &QPushButton::clicked, this, &Form7::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form7::Command2_Click);
    addCancelKey(this, [this] { close(); });
}

QList<QCheckBox *> Form7::checkBoxes() const
{
    QList<QCheckBox *> boxes;
    for (const ExtensionBox &entry : kBoxes)
        boxes.append(this->*entry.box);
    return boxes;
}

void Form7::Command1_Click()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The pointer is back to normal before any message box and on every way out.
    bool waiting = true;
    const auto endWait = [&waiting] {
        if (waiting)
            QApplication::restoreOverrideCursor();
        waiting = false;
    };
    const auto guard = qScopeGuard(endWait);

    const QString iconPath = IconResource::locate();
    IconResource icons;
    if (!icons.load(iconPath)) {
        endWait();
        dialogs().message(
            QStringLiteral("The File ") + iconPath + QStringLiteral(" Not Found ! Reinstall Quillet ...."));
        return;
    }

    FileTypeRegistry registry;
    registry.add(QStringLiteral(".qsk"), FileKind::Skin);
    for (const ExtensionBox &entry : kBoxes) {
        QCheckBox *box = this->*entry.box;
        if (box->isChecked())
            registry.add(box->text(), entry.kind);
    }
    const FileResult result = registry.registerTypes(icons);
    endWait();
    if (result.ok)
        dialogs().message(QStringLiteral("The file association has been made!"));
    else
        dialogs().message(QStringLiteral("The file association could not be made. ") + result.error);
}

void Form7::Command2_Click()
{
    for (QCheckBox *box : checkBoxes())
        box->setChecked(true);
}

} // namespace quillet
