#pragma once

#include <QString>

#include <exception>
#include <string>

/// The one error type of the program: a number and a text, as the operator
/// sees them in the box shown before the program ends.
class Erro final : public std::exception {
public:
    /// Error numbers used by the program's own components.
    enum Numero : int {
        Ficheiro = 53,       ///< a file is missing or unreadable
        Parametros = 1001,   ///< the parameters file is incomplete or wrong
        Configuracao = 1002, ///< the configuration file is incomplete or wrong
        BaseDadosFechada = 1003,
        Sql = 1004,         ///< the database rejected a statement
        Grelha = 1005,      ///< the grid was asked for something it does not hold
        Erp = 1006,         ///< the ERP refused or failed an operation
        RecusadoErp = 1007, ///< the ERP refused to store or save a document: the text is its reason
        // Failures of the company database the operator can act on, by their
        // class (FalhaBd tells them apart by the engine's own codes).
        BaseDadosOcupada = 1008,      ///< another workstation holds a lock (busy, lock timeout, deadlock)
        LigacaoPerdida = 1009,        ///< the connection to the server failed or was dropped
        DiscoCheio = 1010,            ///< the database's disk (or its file size limit) is full
        SoLeitura = 1011,             ///< the database, its file or its folder only allows reading
        SemPermissao = 1012,          ///< this user may not do that in the database
        FalhaDisco = 1013,            ///< the database's disk failed to read or write
        BaseDadosDanificada = 1014,   ///< the database file is damaged or not a database at all
        SemRecursos = 1015,           ///< the engine ran out of memory or connections
        AcessoRecusado = 1016,        ///< the server refused this connection: user, password or database
        ServidorNaoVerificado = 1017, ///< the server could not prove it is the one named (TLS certificate)
        Transbordo = 6,               ///< a number too large for where it goes
        ForaDeIntervalo = 9,          ///< a list item that is not there
        TipoIncompativel = 13,        ///< a value that cannot be converted

    };

    Erro(int numero, QString texto) : m_numero(numero), m_texto(std::move(texto)), m_utf8(m_texto.toStdString()) {}

    int numero() const noexcept { return m_numero; }
    /// Whether the database itself failed (a statement rejected, a closed
    /// database, or one of the classes from BaseDadosOcupada to
    /// ServidorNaoVerificado), rather than a rule of the program or the ERP.
    bool daBaseDados() const noexcept {
        return m_numero == Sql || m_numero == BaseDadosFechada ||
               (m_numero >= BaseDadosOcupada && m_numero <= ServidorNaoVerificado);
    }
    const QString& texto() const noexcept { return m_texto; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    int m_numero;
    QString m_texto;
    std::string m_utf8;
};
