#pragma once

// What the benchmark measures in: the company databases, one import window
// per database (offscreen), the ERP session for the Guia, and the operator's
// boxes answered (and counted: a box during a measure is a failure).

#include "BaseDados.h"
#include "CorridasDoPosto.h"
#include "DadosBench.h"
#include "Erro.h"
#include "Guarda.h"
#include "Mensagens.h"
#include "Relatorio.h"
#include "frmImportacao.h"

#include <QTemporaryDir>

class Rele;

#include <chrono>
#include <functional>
#include <map>
#include <memory>

namespace Bench {

struct Opcoes {
    QString pastaDados;  ///< the SQLite files (made there when missing)
    bool rapido = false; ///< the tiny bases and few repetitions of the smoke run
    QString postgres;    ///< libpq text "host=... port=... user=..."; empty: no PostgreSQL figures
    quint32 semente = DadosBench::SementePadrao;
    QString json;       ///< where the results go
    QString executavel; ///< this program, run again for the start-up and memory figures
    int repeticoes = 0; ///< every measure's repetitions when set
};

/// Answers every box with OK and keeps its text.
class MensagensBench final : public Mensagens {
public:
    int caixa(const QString& titulo, const QString& texto, Botoes, Icone) override;
    bool pedirValores(const QString&, const QStringList&, QStringList&, const QList<int>&) override { return false; }
    void terminar(int codigo) override;
    /// The boxes shown since the last call, emptied.
    QStringList tirar();

private:
    QStringList m_textos;
};

/// One company database with its import window.
struct Empresa {
    QString nome;
    QString ficheiro;     ///< the SQLite file; empty on PostgreSQL
    QString baseDados;    ///< the PostgreSQL database
    QString textoLigacao; ///< for BaseDados and the ERP login
    /// The workstation whose ERP session and run journal the Guia runs
    /// through; empty for a base the Guia does not write to.
    QString posto;
    std::unique_ptr<BaseDados> bd;
    /// The workstation's run journal and log, as start-up opens them: the
    /// Guia's window runs through them ("guia" only).
    std::unique_ptr<CorridasDoPosto> corridas;
    /// The window and its controller, which holds the window's state.
    std::unique_ptr<Importacao> importacao;
    std::unique_ptr<frmImportacao> janela;
    /// A control of the window, by its name ("btCarga", "Grelha" ...).
    template <class T> T& controlo(const char* nome) const {
        T* c = janela->findChild<T*>(QLatin1String(nome));
        if (!c)
            throw Erro(Erro::Configuracao, QStringLiteral("A janela não tem o controlo %1.").arg(QLatin1String(nome)));
        return *c;
    }
};

class Ambiente {
public:
    explicit Ambiente(const Opcoes& opcoes);
    ~Ambiente();
    Q_DISABLE_COPY_MOVE(Ambiente)

    static Ambiente& actual();

    const Opcoes& opcoes() const { return m_opcoes; }
    /// "grande", "pequena", "clientes", "grande-pg", "guia" (a copy of
    /// "grande" that the Guia writes to); with PostgreSQL also "guia-pg" (a
    /// copy of "grande-pg" the Guia writes to on the server's socket),
    /// "guia-pg-rele" (the same database through the relay) and
    /// "guia-pg-piso" (the floor's copy).
    Empresa& empresa(const QString& nome);
    /// The same, opened with its window shown (on first use).
    Empresa& comJanela(const QString& nome);
    bool tem(const QString& nome) const;
    /// The folder with the parameters file (and, for child programs, the configuration).
    QString pastaAplicacao() const { return m_app.path(); }
    /// A folder with the configuration that makes start-up open "grande".
    QString pastaArranque() const;
    /// The state folder (XDG_STATE_HOME) of this run and of its children:
    /// the run journals and the run log go there, never to the user's.
    QString pastaEstado() const { return m_trabalho.filePath(QStringLiteral("estado")); }
    MensagensBench& mensagens() { return m_mensagens; }
    const DadosBench::Perfil& perfil(DadosBench::Base base) const { return m_perfis.at(base); }
    /// The load of a special client must give exactly this many lines.
    int pendentes(const QString& cliente) const;
    /// The sizes of this run's bases, for the report.
    Tamanhos tamanhos() const;

    /// Runs one step of the operator's on a window: raises when it showed a box.
    void exigirSemCaixas(const QString& passo);

    /// The relay between "guia-pg-rele" and the server (PostgreSQL only).
    Rele& rele();
    /// A libpq connection text to the benchmark's server and `base`.
    QString ligacaoPg(const QString& base) const;

private:
    void criarJanela(Empresa& e);
    void criarEmpresasGuiaPg();

    Opcoes m_opcoes;
    QTemporaryDir m_app;
    QTemporaryDir m_trabalho;
    MensagensBench m_mensagens;
    Guarda m_guarda{m_mensagens}; ///< the windows' events run inside it
    std::map<DadosBench::Base, DadosBench::Perfil> m_perfis;
    std::map<QString, std::unique_ptr<Empresa>> m_empresas;
    std::unique_ptr<Rele> m_rele;
};

/// Seconds on a monotonic clock shared by every process of the machine.
double agora();

/// Lets the window system and the timers run until `feito` holds (or a few
/// seconds pass); raises on the time-out.
void esperar(const std::function<bool()>& feito, const char* oque);

/// Counts the paint events of a widget.
class ContadorPinturas final : public QObject {
public:
    explicit ContadorPinturas(QWidget* w);
    int pinturas() const { return m_pinturas; }
    /// Lets events run until the widget painted again.
    void esperarPintura();
    /// From now on, counts only the paints for which \a pronto holds (all
    /// of them again when it is empty).
    void contarSo(std::function<bool()> pronto) { m_pronto = std::move(pronto); }
    /// Lets events run until the count passed \a desde.
    void esperarPinturaDesde(int desde);

protected:
    bool eventFilter(QObject* objecto, QEvent* evento) override;

private:
    int m_pinturas = 0;
    std::function<bool()> m_pronto;
};

} // namespace Bench
