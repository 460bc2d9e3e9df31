#include "ui/frmterminal.h"
#include "ui_frmterminal.h"

#include "link/printer.h"

#include <QKeyEvent>
#include <QRegularExpression>
#include <QScrollBar>

FrmTerminal::FrmTerminal(Printer &printer, const QString &panelTitle, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmTerminal>()), m_printer(printer)
{
    ui->setupUi(this);
    setWindowTitle(titleFor(panelTitle));
    resize(560, 420);
    QFont fixed("Monospace");
    fixed.setStyleHint(QFont::TypeWriter);
    ui->mTraffic->setFont(fixed);
    ui->mCommand->installEventFilter(this);
    connect(ui->mCommand, &QLineEdit::returnPressed, this, &FrmTerminal::on_bSend_clicked);
    // The traffic from here on: what the log held before the terminal opened is old news.
    m_printer.link().mainLogSince(m_logPosition);
}

FrmTerminal::~FrmTerminal() = default;

QString FrmTerminal::titleFor(const QString &panelTitle)
{
    static const QRegularExpression tag("<[^>]*>");
    return "Terminal: " + QString(panelTitle).remove(tag);
}

void FrmTerminal::showNewTraffic()
{
    const QByteArray text = m_printer.link().mainLogSince(m_logPosition);
    if (text.isEmpty())
        return;
    QScrollBar *bar = ui->mTraffic->verticalScrollBar();
    const bool atBottom = bar->value() == bar->maximum();
    ui->mTraffic->moveCursor(QTextCursor::End);
    ui->mTraffic->insertPlainText(QString::fromLatin1(text));
    // Reading back in the traffic is not interrupted by new lines.
    if (atBottom)
        bar->setValue(bar->maximum());
}

void FrmTerminal::on_bSend_clicked()
{
    const QString line = ui->mCommand->text();
    if (line.isEmpty())
        return;
    m_printer.sendCommand(line.toLatin1());
    ui->mCommand->clear();
    m_history.add(line);
}

bool FrmTerminal::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != ui->mCommand || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Up)
        ui->mCommand->setText(m_history.older());
    else if (key == Qt::Key_Down)
        ui->mCommand->setText(m_history.newer());
    else
        return QDialog::eventFilter(watched, event);
    return true;
}

void FrmTerminal::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    ui->mCommand->clear();
    m_history.resetPosition();
}
