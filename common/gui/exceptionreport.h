#pragma once

#include <QString>

#include <functional>

// The one report of a failure that escaped an operation: logs "### EXCEPTION: <text>" and shows a
// modal critical box "EXCEPTION : <text>".
void handleException(const QString &message);

// Replaces the message box (tests read the text instead of clicking a dialog); an empty function
// restores the box. Returns the presenter it replaced.
using ExceptionPresenter = std::function<void(const QString &boxText)>;
ExceptionPresenter setExceptionPresenter(ExceptionPresenter presenter);
