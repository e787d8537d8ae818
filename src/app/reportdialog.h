// A report whose summary stays on top and whose list, however long, scrolls: the window takes the
// size of its content but never more than the screen it opens on, so its buttons stay in reach.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <QStringList>

class QAbstractButton;
class QDialogButtonBox;
class QPlainTextEdit;

class ReportDialog : public QDialog
{
    Q_OBJECT

public:
    struct Content
    {
        QString summary;   // on top, always in view
        QStringList lines; // scrolls; an entry may hold several lines, an empty one separates groups
        QString closing;   // under the list: the question asked, or a last note
    };

    ReportDialog(QMessageBox::Icon icon, const QString& title, const Content& content,
                 QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                 QMessageBox::StandardButton defaultButton = QMessageBox::NoButton, QWidget* parent = nullptr);

    // The whole report as plain text: summary, list and closing text, a blank line between them.
    QString text() const;
    QPlainTextEdit* listView() const { return m_list; }
    QAbstractButton* button(QMessageBox::StandardButton which) const;
    // The button that closed the window; NoButton when it was closed otherwise (Esc).
    QMessageBox::StandardButton clickedButton() const { return m_clicked; }

    static void inform(QWidget* parent, QMessageBox::Icon icon, const QString& title, const Content& content);
    // Yes or No, No by default; closing the window answers No.
    static bool ask(QWidget* parent, QMessageBox::Icon icon, const QString& title, const Content& content);

    // The room a window opened over this widget may take: the available area of its screen, less
    // what its frame and title bar need.
    static QSize availableRoom(const QWidget* widget);
    // Gives a top-level window the size it asks for (its size hint, or the wanted size), within
    // that room.
    static void fitToScreen(QWidget* window, QSize wanted = QSize());

private:
    QString m_summary;
    QString m_listText;
    QString m_closing;
    QPlainTextEdit* m_list = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    QMessageBox::StandardButton m_clicked = QMessageBox::NoButton;
};
