#pragma once

// The figures that need a process of their own (start-up, peak memory): this
// program runs itself again as a child that reports on its standard output.

#include <QMap>
#include <QString>
#include <QStringList>

namespace Bench {

/// Runs the child whose arguments follow "--filho" (argv[1]); the exit status.
int executarFilho(int argc, char** argv);

/// What a child reported ("chave=valor" lines), with the moment (agora()) it was started.
struct Relato {
    double inicio = 0;
    QMap<QString, double> valores;
    double valor(const QString& chave) const;
};

/// Starts `executavel --filho args...` and waits for its report; raises when it fails.
Relato correrFilho(const QString& executavel, const QStringList& argumentos);

/// Peak and current resident memory of this process, in KiB (from /proc/self/status).
double picoMemoriaKiB();
double memoriaActualKiB();

} // namespace Bench
