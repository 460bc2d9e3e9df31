#pragma once

#include <QApplication>

// The application object of both programs: delivers every event inside a handler, so that a failure
// thrown by any slot or event handler is reported with handleException() and ends only the operation
// that threw, never the program.
class QMyApp : public QApplication
{
public:
    QMyApp(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
