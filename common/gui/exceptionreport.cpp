#include "exceptionreport.h"

#include <QApplication>
#include <QDebug>
#include <QMessageBox>

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

void setExceptionPresenter(ExceptionPresenter p)
{
    presenter() = std::move(p);
}
