#include "common/gui/exceptionreport.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>

#include <utility>

namespace {

ExceptionPresenter &presenter()
{
    static ExceptionPresenter p;
    return p;
}

void showCriticalBox(const QString &text)
{
    QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

} // namespace

void handleException(const QString &message)
{
    qDebug().noquote() << "### EXCEPTION: " + message;
    const QString text = QString("EXCEPTION : %1").arg(message);
    if (presenter())
        presenter()(text);
    else
        showCriticalBox(text);
}

ExceptionPresenter setExceptionPresenter(ExceptionPresenter p)
{
    return std::exchange(presenter(), std::move(p));
}
