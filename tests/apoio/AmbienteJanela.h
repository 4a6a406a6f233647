#pragma once

#include "Apoio.h"
#include "BaseDados.h"
#include "Guarda.h"
#include "Pastas.h"
#include "SessaoContadora.h"

#include <QFile>
#include <QTemporaryDir>

/// What start-up hands the window, for tests: a company database with the
/// base data, the parameters file in a temporary application folder (and the
/// folders that name it), an open BaseDados, a counting ERP session to hand
/// over, the operator's answers and the guard of the window's events.
struct AmbienteJanela {
    static inline const QByteArray ParametrosDemo =
        "; parametros\r\nENCOMENDAS=ENC,1,ENV,2\r\nGUIAS=GR,1,2,A1\r\nENTRADAS=ENT,1,A1,Texto,0\r\n";

    explicit AmbienteJanela(Motor motor, const QByteArray& parametros = ParametrosDemo) : base(motor) {
        base.dadosBase();
        escreverParametros(parametros);
        if (!bd.abrir(base.textoLigacao()))
            qFatal("%s", qPrintable(bd.ultimoErro()));
    }
    Q_DISABLE_COPY_MOVE(AmbienteJanela)

    void escreverParametros(const QByteArray& conteudo) {
        QFile f(app.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write the parameters file");
        f.write(conteudo);
    }
    /// A session that counts into `contagem`.
    std::unique_ptr<SessaoErp> sessao() { return std::make_unique<SessaoContadora>(contagem); }

    BaseTeste base;
    QTemporaryDir app;
    Pastas pastas{{}, app.path()}; ///< the application folder is `app`
    BaseDados bd;
    SessaoContadora::Contagem contagem;
    MensagensTeste mensagens;
    Guarda guarda{mensagens};
};
