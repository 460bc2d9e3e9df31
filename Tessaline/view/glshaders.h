#pragma once
#include <QOpenGLShaderProgram>
#include <QString>

// The program of that name for the current GL context, built on first use from ":/res/" +
// name + ".vsh" and ".fsh", each prefixed by "precision highp float;\r\n". Programs stay cached until
// the context goes away. Throws "getShaderProgram() shader error. " + the compile or link log.
QOpenGLShaderProgram &getShaderProgram(const QString &name);

// Every program the view uses, in the order they are worth checking.
const QStringList &shaderProgramNames();

// The view's resources live in this library; a static library must register them itself.
void initViewResources();
