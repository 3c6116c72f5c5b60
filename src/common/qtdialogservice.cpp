#include "common/qtdialogservice.h"

#include "common/messagetext.h"
#include "common/opendialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace quillet {

static DialogService *g_installed = nullptr;

DialogService &dialogs()
{
    static QtDialogService qtService;
    return g_installed ? *g_installed : qtService;
}

void setDialogService(DialogService *service)
{
    g_installed = service;
}

QString qtFileFilter(const QString &pipeFilter)
{
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts.at(i);
        // Descriptions often repeat their patterns in brackets already; Qt reads the last bracket pair.
        if (description.contains(QLatin1Char('(')))
            description = description.left(description.indexOf(QLatin1Char('('))).trimmed();
        filters.append(description + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return filters.join(QStringLiteral(";;"));
}

static QString startPath(const FileDialogRequest &request)
{
    if (request.fileName.isEmpty())
        return request.initialDirectory;
    if (request.initialDirectory.isEmpty())
        return request.fileName;
    return QDir(request.initialDirectory).filePath(request.fileName);
}

void QtDialogService::message(const QString &text)
{
    const QString shown = shortenedInMiddle(text);
    // The same box on screen already says it: a second one would only open inside the first one's event loop, and a
    // flood of calls would stack boxes until the stack overflows.
    if (OpenDialogs::showsMessage(shown))
        return;
    const OpenDialogs::Scope open(shown);
    QMessageBox box(QMessageBox::NoIcon, messageTitle(), shown, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

QString QtDialogService::question(const QString &text, const QStringList &choices)
{
    const OpenDialogs::Scope open;
    QMessageBox box(QMessageBox::Question, messageTitle(), shortenedInMiddle(text), QMessageBox::NoButton, QApplication::activeWindow());
    QList<QPushButton *> buttons;
    for (qsizetype i = 0; i < choices.size(); ++i) {
        const bool last = i + 1 == choices.size();
        buttons.append(box.addButton(choices.at(i), last ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    }
    // Enter, like Escape, takes the last choice: a stray key press then changes nothing.
    if (!buttons.isEmpty()) {
        box.setEscapeButton(buttons.last());
        box.setDefaultButton(buttons.last());
    }
    box.exec();
    const qsizetype chosen = buttons.indexOf(qobject_cast<QPushButton *>(box.clickedButton()));
    return chosen >= 0 ? choices.at(chosen) : choices.value(choices.size() - 1);
}

QString QtDialogService::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    const OpenDialogs::Scope open;
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), title.isEmpty() ? messageTitle() : title,
                                               prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}

QString QtDialogService::openFileName(const FileDialogRequest &request)
{
    const OpenDialogs::Scope open;
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), request.title, startPath(request),
                                        qtFileFilter(request.filter));
}

QString QtDialogService::saveFileName(const FileDialogRequest &request)
{
    const OpenDialogs::Scope open;
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), request.title, startPath(request),
                                        qtFileFilter(request.filter));
}

std::optional<QColor> QtDialogService::chooseColour(const QColor &initial)
{
    const OpenDialogs::Scope open;
    const QColor colour = QColorDialog::getColor(initial, QApplication::activeWindow());
    if (!colour.isValid())
        return std::nullopt;
    return colour;
}

std::optional<QFont> QtDialogService::chooseFont(const QFont &initial)
{
    const OpenDialogs::Scope open;
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial, QApplication::activeWindow());
    if (!ok)
        return std::nullopt;
    return font;
}

} // namespace quillet
