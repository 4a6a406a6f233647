#pragma once

#include <QSqlDatabase>
#include <QString>

class Dialecto;
class QSqlError;

/// The database's own text of an error, the driver's when the database gives
/// none, and a fixed text when neither says anything.
QString textoErroBd(const QSqlError& erro);

/// Builds the connection text handed to BaseDados::abrir and to the ERP login:
/// "Provider=MSDataShape;Driver=QSQLITE;Database=/abs/demo.db;User=...;Password=..."
/// or with Driver=QPSQL and Host/Port. Values holding ';' or '"' are quoted.
class LigacaoBd final {
public:
    /// `opcao` 1 resolves a relative SQLite file against the application folder.
    QString construir(const QString& fornecedor, int opcao, const QString& d1, const QString& d2, const QString& d3,
                      const QString& d4) const;
};

/// A connection text taken apart (keys without regard to case).
struct TextoLigacao final {
    QString driver; ///< "QSQLITE" or "QPSQL"
    QString host;
    int porta = -1;
    QString base; ///< file or database name
    QString utilizador;
    QString password;
    QString fornecedor;

    /// Raises Erro (Configuracao) when the text names no usable driver or base.
    static TextoLigacao analisar(const QString& texto);
    /// The engine's dialect; raises Erro (Configuracao) for a driver that is
    /// none of the program's.
    const Dialecto& dialecto() const;
    /// The connection text again (what analisar reads back).
    QString texto() const;
    /// Where the database is, for messages: never the password.
    QString descricao() const;
    /// Opens a new Qt connection under `nomeLigacao` with these settings.
    /// Raises Erro naming the database when it does not open: of the
    /// failure's class (FalhaBd) when it has one, else BaseDadosFechada.
    QSqlDatabase abrir(const QString& nomeLigacao) const;
};
