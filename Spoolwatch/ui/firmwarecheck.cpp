#include "ui/firmwarecheck.h"

#include <QDebug>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThreadPool>
#include <QTimer>

QUrl FirmwareCheck::serverUrl()
{
    const QByteArray configured = qgetenv("SPOOLWATCH_FIRMWARE_SERVER");
    return QUrl(configured.isEmpty() ? QString("http://firmware.vantoridge.com") : QString::fromUtf8(configured));
}

int FirmwareCheck::buildFromReply(const QByteArray &reply)
{
    QByteArray digits;
    for (char c : reply)
        if (c >= '0' && c <= '9')
            digits += c;
    // More digits than an int holds is no build number.
    if (digits.isEmpty() || digits.size() > 9)
        return -1;
    return digits.toInt();
}

FirmwareCheck::FirmwareCheck() : m_state(std::make_shared<State>()) {}

void FirmwareCheck::start()
{
    if (m_state->running.exchange(true))
        return;
    const QUrl url = serverUrl().resolved(QUrl("/version"));
    std::shared_ptr<State> state = m_state;
    QThreadPool::globalInstance()->start([state, url] {
        qDebug() << "getting fw version from server";
        QNetworkAccessManager network;
        QEventLoop loop;
        QNetworkReply *reply = network.get(QNetworkRequest(url));
        QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
        // A server that never answers must not hold the pool's thread for good.
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
        if (reply->isFinished() && reply->error() == QNetworkReply::NoError) {
            const int build = buildFromReply(reply->readAll());
            if (build >= 0) {
                state->latestBuild = build;
                qDebug() << "fw ver:" << build;
            }
        }
        reply->abort();
        delete reply;
        state->running = false;
    });
}
