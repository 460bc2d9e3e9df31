#pragma once

#include "common/gui/exceptionreport.h"

#include <QStringList>

// Collects the texts of the exception boxes shown while it lives, instead of showing them.
class ExceptionCatcher
{
public:
    ExceptionCatcher()
        : m_previous(setExceptionPresenter([this](const QString &text) { texts << text; }))
    {
    }
    ~ExceptionCatcher() { setExceptionPresenter(m_previous); }
    ExceptionCatcher(const ExceptionCatcher &) = delete;
    ExceptionCatcher &operator=(const ExceptionCatcher &) = delete;

    QStringList texts;

private:
    ExceptionPresenter m_previous;
};
