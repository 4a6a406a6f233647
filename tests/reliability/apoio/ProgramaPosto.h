#pragma once

#include "Apoio.h"

#include <QByteArray>
#include <QHash>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

/// The workstation program (orlavane-posto) as the reliability tests run it:
/// one process per workstation, over the company database of a BaseTeste,
/// as user "op" (prepararErp) on client C1, with the program's folder and
/// the state folder (its run journal and log) in temporary folders of their
/// own, shared by every workstation and every start of one.
class ProgramaPosto final {
public:
    /// Writes the parameters file: orders ENC 1 and ENV 2, Guias GR 1,
    /// entries ENT 1 with a price factor of 0.1.
    explicit ProgramaPosto(BaseTeste& base);
    Q_DISABLE_COPY_MOVE(ProgramaPosto)

    /// Starts workstation `posto` with these options besides the connection,
    /// folders, workstation, client and user.
    std::unique_ptr<QProcess> iniciar(const QString& posto, const QStringList& opcoes) const;
    /// Starts it and waits for its end (a bound, not a measure).
    std::unique_ptr<QProcess> correr(const QString& posto, const QStringList& opcoes) const;

    /// The state folder (XDG_STATE_HOME) of every workstation.
    QString estado() const { return m_estado.path(); }
    /// The run journal of workstation `posto` on the test's database, as it stands.
    QString diario(const QString& posto) const;
    /// The lines of the run log, in order.
    QStringList registo() const;

private:
    BaseTeste& m_base;
    QTemporaryDir m_pasta;
    QTemporaryDir m_estado;
};

/// The counts a workstation printed last (its RESUMO line): those of the
/// rounds it finished before it ended or was killed.
using Resumo = QHash<QString, int>;
Resumo lerResumo(const QByteArray& saida);

/// Whether the process was ended by SIGKILL.
bool morto(const QProcess& processo);
