#pragma once

#include "Apoio.h"
#include "Arranque.h"
#include "Pastas.h"

#include <QByteArray>
#include <QTemporaryDir>

#include <array>

class ErpLocal;

/// A workstation for start-up tests: a company database with the ERP company
/// DEMO and its user "op", the program's folder with a good parameters file
/// and a good configuration file, and a base folder without the maker's
/// folder (so the configuration is read from the program's folder).
struct PostoArranque {
    explicit PostoArranque(Motor motor = Motor::Sqlite, const QString& passwordErp = QStringLiteral("segredo"));
    ~PostoArranque();
    Q_DISABLE_COPY_MOVE(PostoArranque)

    static inline const QByteArray ParametrosBons = "ENCOMENDAS=ENC,1\r\nGUIAS=GR,1,2,A1\r\nENTRADAS=ENT,1,A1,T,0\r\n";

    /// E1..E5 and D1..D4 that start the program.
    std::array<QString, 5> erp() const;
    std::array<QString, 4> bd() const;

    QString configuracao() const { return app.filePath(QStringLiteral("Orlavane.zeb")); }
    QString parametros() const { return app.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")); }
    QString alternativo() const { return app.filePath(QStringLiteral("Catalogos/bd.sql")); }

    /// Writes the configuration file from values (owner-only, as the program writes it).
    void configurar(const std::array<QString, 5>& e, const std::array<QString, 4>& d);
    /// Writes `conteudo` to `caminho` as it stands, making its folder.
    static void escrever(const QString& caminho, const QByteArray& conteudo);

    /// Start-up as the program runs it: an error that leaves it is shown in
    /// its box and ends the program (recorded by the messages).
    void arrancar();
    bool janelaAberta() const { return programa.janela && programa.janela->isVisible(); }

    QTemporaryDir estado; ///< the state folder: the run journal and log
    BaseTeste base;
    QString passwordErp;
    QTemporaryDir pastaBase;
    QTemporaryDir app;
    Pastas pastas{pastaBase.path(), app.path()};
    MensagensTeste mensagens;
    Guarda guarda{mensagens};
    Arranque::Programa programa;
    /// The local ERP start-up made last (held by the window's controller once it opens).
    ErpLocal* erpLocal = nullptr;
};
