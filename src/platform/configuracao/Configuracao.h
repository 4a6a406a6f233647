#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <array>

class Mensagens;

/// Keys of a section beyond the ones read by name (lower case), with their
/// values, in key order.
using OutrasChaves = QList<QPair<QString, QString>>;

/// The ERP login values, read from the section [ERP] of the configuration file:
/// E1 user, E2 password (may be empty), E3 company, E4 instance (a connection
/// text, see LigacaoBd), E5 workstation.
class ConfigErp final {
public:
    /// Reads the file. A missing file leaves every value empty; an unreadable
    /// one raises Erro naming the file.
    void ler(const QString& caminhoConfiguracao);
    /// Asks the operator, through `mensagens`, for the values still empty.
    /// Result ignored by callers.
    bool completar(Mensagens& mensagens);
    /// E1..E5 (index 0 is E1).
    const std::array<QString, 5>& valores() const { return m_valores; }

private:
    std::array<QString, 5> m_valores;
    QString m_caminho;
};

/// The company database values, read from the section [BaseDados]:
/// D1 server ("sqlite" for the embedded engine, else a PostgreSQL host, a
/// Unix socket folder, optionally ":port"), D2 database (SQLite file, relative
/// to the application folder, or PostgreSQL database name), D3 user,
/// D4 password (may be empty). The section's other keys are kept as they
/// are (outras()): libpq's own connection keys (sslmode = verify-full, ...),
/// which whoever builds the connection checks and hands on.
class ConfigBd final {
public:
    void ler(const QString& caminhoConfiguracao);
    /// Reads the fall-back settings (same format) to complete from.
    void lerAlternativo(const QString& caminhoAlternativo);
    /// 0: complete only from the fall-back settings; 1: also ask the operator.
    void definicao(int valor) { m_definicao = valor; }
    /// Fills the empty values from the fall-back settings (and, with setting 1,
    /// from the operator, asked through `mensagens`; without it nothing is asked).
    bool completar(Mensagens* mensagens);
    const std::array<QString, 4>& valores() const { return m_valores; }
    /// The other keys of the configuration file's section, and of the
    /// fall-back file's (empty until it is read).
    const OutrasChaves& outras() const { return m_outras; }
    const OutrasChaves& outrasAlternativas() const { return m_outrasAlternativas; }

private:
    std::array<QString, 4> m_valores;
    std::array<QString, 4> m_alternativos;
    OutrasChaves m_outras;
    OutrasChaves m_outrasAlternativas;
    int m_definicao = 1;
};

/// Writes a configuration file that ConfigErp and ConfigBd read back: UTF-8,
/// sections [ERP] and [BaseDados], readable and writable by its owner only
/// (it holds passwords). `outrasBd` go into [BaseDados] after D1..D4. Raises
/// Erro (Ficheiro) when it cannot be written and Erro (Configuracao) for a
/// value holding a line break.
void escreverConfiguracao(const QString& caminho, const std::array<QString, 5>& erp, const std::array<QString, 4>& bd,
                          const OutrasChaves& outrasBd = {});
