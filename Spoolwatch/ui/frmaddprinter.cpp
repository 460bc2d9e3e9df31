#include "ui/frmaddprinter.h"
#include "ui_frmaddprinter.h"

#include "platform/ports.h"

#include <QPushButton>
#include <QTimer>

namespace
{

// How often the list follows ports being plugged in and out (ms).
constexpr int refreshMs = 1000;

} // namespace

FrmAddPrinter::FrmAddPrinter(const QStringList &openPorts, QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::FrmAddPrinter>()), m_openPorts(openPorts)
{
    ui->setupUi(this);
    ui->tree->setHeaderLabels({"Port", "Description", "Manufacturer", "SerialId"});
    resize(560, 320);
    connect(ui->buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(ui->buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ui->tree, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(ui->mPath, &QLineEdit::textChanged, this, &FrmAddPrinter::enableOk);
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &FrmAddPrinter::onTimer);
    m_timer->start(refreshMs);
    onTimer();
    enableOk();
}

FrmAddPrinter::~FrmAddPrinter() = default;

QString FrmAddPrinter::chosenPort() const
{
    const QString typed = ui->mPath->text().trimmed();
    if (!typed.isEmpty())
        return typed;
    const QList<QTreeWidgetItem *> selected = ui->tree->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->data(0, Qt::UserRole).toString();
}

void FrmAddPrinter::onTimer()
{
    const QList<QTreeWidgetItem *> selected = ui->tree->selectedItems();
    const QString keep = selected.isEmpty() ? QString() : selected.first()->data(0, Qt::UserRole).toString();
    ui->tree->clear();
    for (const FoundPort &port : ports::presentPorts()) {
        if (m_openPorts.contains(port.portName))
            continue;
        QString name = port.portName;
        if (ports::kindOfHardwareId(port.hardwareId) == 2)
            name += " " + QString(bootLoaderMark);
        auto *item = new QTreeWidgetItem(ui->tree, {name, port.description, port.manufacturer, port.serialNumber});
        item->setData(0, Qt::UserRole, port.portName);
        if (port.portName == keep)
            item->setSelected(true);
    }
    for (int column = 0; column < ui->tree->columnCount(); ++column)
        ui->tree->resizeColumnToContents(column);
    enableOk();
}

void FrmAddPrinter::on_tree_itemSelectionChanged()
{
    enableOk();
}

void FrmAddPrinter::enableOk()
{
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(!chosenPort().isEmpty());
}
