#include "ProgramaPosto.h"

#include "BaseDados.h"
#include "CorridasDoPosto.h"
#include "DiarioCorridas.h"
#include "LigacaoBd.h"

#include <QFile>
#include <QRegularExpression>

#include <csignal>

#ifndef ORLAVANE_POSTO
#error "ORLAVANE_POSTO names the workstation program"
#endif

ProgramaPosto::ProgramaPosto(BaseTeste& base) : m_base(base) {
    QFile parametros(m_pasta.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
    if (!parametros.open(QIODevice::WriteOnly) ||
        parametros.write("ENCOMENDAS=ENC,1,ENV,2\r\nGUIAS=GR,1,2,A1\r\nENTRADAS=ENT,1,A1,Entrada,0.1\r\n") < 0)
        qFatal("cannot write the parameters file");
}

std::unique_ptr<QProcess> ProgramaPosto::iniciar(const QString& posto, const QStringList& opcoes) const {
    auto proc = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), m_estado.path());
    proc->setProcessEnvironment(env);
    proc->start(QStringLiteral(ORLAVANE_POSTO),
                QStringList{QStringLiteral("--ligacao"), m_base.textoLigacao(), QStringLiteral("--pasta"),
                            m_pasta.path(), QStringLiteral("--posto"), posto, QStringLiteral("--cliente"),
                            QStringLiteral("C1"), QStringLiteral("--utilizador"), QStringLiteral("op"),
                            QStringLiteral("--password"), QStringLiteral("segredo")} +
                    opcoes);
    if (!proc->waitForStarted())
        qFatal("%s: %s", ORLAVANE_POSTO, qPrintable(proc->errorString()));
    return proc;
}

std::unique_ptr<QProcess> ProgramaPosto::correr(const QString& posto, const QStringList& opcoes) const {
    auto proc = iniciar(posto, opcoes);
    if (!proc->waitForFinished(300 * 1000))
        qFatal("%s did not stop by itself", qPrintable(posto));
    return proc;
}

QString ProgramaPosto::diario(const QString& posto) const {
    BaseDados bd;
    if (!bd.abrir(m_base.textoLigacao()))
        qFatal("%s", qPrintable(bd.ultimoErro()));
    return m_estado.filePath(QStringLiteral("orlavane/")) +
           DiarioCorridas::nomeFicheiro(posto, CorridasDoPosto::identidadeBase(bd));
}

QStringList ProgramaPosto::registo() const {
    QFile f(m_estado.filePath(QStringLiteral("orlavane/corridas.log")));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

Resumo lerResumo(const QByteArray& saida) {
    static const QRegularExpression par(QStringLiteral("(\\w+)=(\\d+)"));
    Resumo r;
    for (const QByteArray& linha : saida.split('\n')) {
        if (!linha.startsWith("RESUMO "))
            continue;
        r.clear();
        auto i = par.globalMatch(QString::fromUtf8(linha));
        while (i.hasNext()) {
            const auto m = i.next();
            r.insert(m.captured(1), m.captured(2).toInt());
        }
    }
    return r;
}

bool morto(const QProcess& processo) {
    return processo.exitStatus() == QProcess::CrashExit && processo.exitCode() == SIGKILL;
}
