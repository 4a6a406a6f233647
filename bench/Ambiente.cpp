#include "Ambiente.h"

#include "Arranque.h"
#include "Configuracao.h"
#include "DadosDemo.h"
#include "ErpLocal.h"
#include "Erro.h"
#include "Guarda.h"
#include "Pastas.h"
#include "Rele.h"

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QWindow>

#include <libpq-fe.h>

#include <stdexcept>
#include <tuple>

namespace Bench {

namespace {

Ambiente* g_ambiente = nullptr;

/// Host and port of a libpq connection text.
struct ServidorPg {
    QString host;
    int porta = 5432;
};

ServidorPg servidorPg(const QString& ligacao) {
    ServidorPg s;
    char* erro = nullptr;
    PQconninfoOption* opcoes = PQconninfoParse(ligacao.toUtf8().constData(), &erro);
    if (!opcoes) {
        const QString texto = QString::fromUtf8(erro ? erro : "?");
        PQfreemem(erro);
        throw Erro(Erro::Configuracao, QStringLiteral("Ligação PostgreSQL inválida: %1").arg(texto));
    }
    for (PQconninfoOption* o = opcoes; o->keyword; ++o) {
        if (!o->val)
            continue;
        const QString k = QString::fromLatin1(o->keyword), v = QString::fromUtf8(o->val);
        if (k == QLatin1String("host"))
            s.host = v;
        else if (k == QLatin1String("port"))
            s.porta = v.toInt();
    }
    PQconninfoFree(opcoes);
    return s;
}

} // namespace

// ---------------------------------------------------------------------------

int MensagensBench::caixa(const QString& titulo, const QString& texto, Botoes, Icone) {
    m_textos << titulo + QStringLiteral(": ") + texto;
    return RespostaOk;
}

void MensagensBench::terminar(int codigo) {
    m_textos << QStringLiteral("o programa pediu para terminar (%1)").arg(codigo);
}

QStringList MensagensBench::tirar() {
    QStringList r;
    r.swap(m_textos);
    return r;
}

// ---------------------------------------------------------------------------

Ambiente::Ambiente(const Opcoes& opcoes) : m_opcoes(opcoes) {
    if (!m_app.isValid() || !m_trabalho.isValid())
        throw Erro(Erro::Ficheiro, QStringLiteral("Não foi possível criar as pastas temporárias."));
    g_ambiente = this;
    // Before anything opens a journal; the children inherit it.
    qputenv("XDG_STATE_HOME", QFile::encodeName(pastaEstado()));
    for (DadosBench::Base b : {DadosBench::Base::Grande, DadosBench::Base::Pequena, DadosBench::Base::Clientes})
        m_perfis.emplace(b, DadosBench::perfil(b, m_opcoes.rapido));

    // The SQLite bases, made when missing or out of date.
    for (const auto& [base, perfil] : m_perfis) {
        auto e = std::make_unique<Empresa>();
        e->nome = DadosBench::nomeBase(base);
        e->ficheiro = QDir(m_opcoes.pastaDados).absoluteFilePath(perfil.nome + QStringLiteral(".db"));
        if (DadosBench::garantirSqlite(e->ficheiro, perfil, m_opcoes.semente))
            std::printf("Base de dados criada: %s\n", qPrintable(e->ficheiro));
        e->textoLigacao = QStringLiteral("Driver=QSQLITE;Database=%1").arg(e->ficheiro);
        m_empresas[e->nome] = std::move(e);
    }
    // The Guia writes: to a copy of the large base, made anew each run, and
    // its floor to a copy of its own. Each write into the article index
    // splits the full pages it lands in, so a floor run after the Guias in
    // their base would find the pages they split half empty and write less;
    // in copies of their own the n-th Guia and the n-th floor write the same
    // lines into the same pages.
    for (const QString& nome : {QStringLiteral("guia"), QStringLiteral("guia-piso")}) {
        auto e = std::make_unique<Empresa>();
        e->nome = nome;
        e->ficheiro = m_trabalho.filePath(nome + QStringLiteral(".db"));
        if (!QFile::copy(empresa(QStringLiteral("grande")).ficheiro, e->ficheiro))
            throw Erro(Erro::Ficheiro, QStringLiteral("A cópia da base grande para a Guia falhou."));
        e->textoLigacao = QStringLiteral("Driver=QSQLITE;Database=%1").arg(e->ficheiro);
        if (nome == QLatin1String("guia"))
            e->posto = QStringLiteral("bench");
        m_empresas[e->nome] = std::move(e);
    }
    if (!m_opcoes.postgres.isEmpty()) {
        const DadosBench::Perfil& p = m_perfis.at(DadosBench::Base::Grande);
        auto e = std::make_unique<Empresa>();
        e->nome = QStringLiteral("grande-pg");
        e->baseDados = QStringLiteral("orlavane_bench_") + QString(p.nome).replace(QLatin1Char('-'), QLatin1Char('_'));
        if (DadosBench::garantirPostgres(m_opcoes.postgres, e->baseDados, p, m_opcoes.semente))
            std::printf("Base de dados PostgreSQL criada: %s\n", qPrintable(e->baseDados));
        const ServidorPg s = servidorPg(m_opcoes.postgres);
        // The program reaches the server as an operator, never as its administrator.
        e->textoLigacao = QStringLiteral("Driver=QPSQL;Host=%1;Port=%2;Database=%3;User=%4;Password=%5")
                              .arg(s.host)
                              .arg(s.porta)
                              .arg(e->baseDados, DadosBench::Utilizador, DadosBench::Password);
        m_empresas[e->nome] = std::move(e);
        criarEmpresasGuiaPg();
    }

    // The parameters file of the demo: two order types (ENC, ENW) of the three.
    Demo::escreverParametros(m_app.filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));

    // Start-up reads its configuration from the application folder (no
    // maker's folder under the base folder).
    const QString arranque = pastaArranque();
    QDir().mkpath(arranque);
    Demo::escreverParametros(QDir(arranque).filePath(QStringLiteral("zeb_Parametros_Orlavane.zeb")));
    const Empresa& grande = *m_empresas.at(QStringLiteral("grande"));
    escreverConfiguracao(QDir(arranque).filePath(QStringLiteral("Orlavane.zeb")),
                         {DadosBench::Utilizador, DadosBench::Password, DadosBench::Empresa,
                          QStringLiteral("Driver=QSQLITE;Database=%1").arg(grande.ficheiro), QStringLiteral("bench")},
                         {QStringLiteral("sqlite"), grande.ficheiro, DadosBench::Utilizador, QString()});
}

void Ambiente::criarEmpresasGuiaPg() {
    const Empresa& grande = empresa(QStringLiteral("grande-pg"));
    // Copies of the large base, made anew each run: the Guia's (on the
    // server's socket and through the relay alike) and its floor's.
    const QString guia = QStringLiteral("orlavane_bench_guia"), piso = QStringLiteral("orlavane_bench_guia_piso");
    PGconn* c = PQconnectdb(ligacaoPg(QStringLiteral("postgres")).toUtf8().constData());
    for (const QString& base : {guia, piso}) {
        for (const QString& sql : {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(base),
                                   QStringLiteral("CREATE DATABASE %1 TEMPLATE %2").arg(base, grande.baseDados)}) {
            PGresult* r = PQexec(c, sql.toUtf8().constData());
            const bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
            PQclear(r);
            if (!ok) {
                const QString motivo = QString::fromUtf8(PQerrorMessage(c)).trimmed();
                PQfinish(c);
                throw Erro(Erro::Sql, QStringLiteral("%1: %2").arg(sql, motivo));
            }
        }
    }
    PQfinish(c);
    const ServidorPg s = servidorPg(m_opcoes.postgres);
    m_rele = std::make_unique<Rele>(QStringLiteral("%1/.s.PGSQL.%2").arg(s.host).arg(s.porta).toStdString());
    const QString texto = QStringLiteral("Driver=QPSQL;Host=%1;Port=%2;Database=%3;User=%4;Password=%5");
    for (const auto& [nome, host, porta, base, posto] :
         {std::tuple{QStringLiteral("guia-pg"), s.host, s.porta, guia, QStringLiteral("bench-pg")},
          std::tuple{QStringLiteral("guia-pg-rele"), QStringLiteral("127.0.0.1"), m_rele->porta(), guia,
                     QStringLiteral("bench-pg-rele")},
          std::tuple{QStringLiteral("guia-pg-piso"), s.host, s.porta, piso, QString()}}) {
        auto e = std::make_unique<Empresa>();
        e->nome = nome;
        e->baseDados = base;
        e->posto = posto;
        e->textoLigacao = texto.arg(host).arg(porta).arg(base, DadosBench::Utilizador, DadosBench::Password);
        m_empresas[e->nome] = std::move(e);
    }
}

QString Ambiente::ligacaoPg(const QString& base) const {
    return m_opcoes.postgres + QStringLiteral(" dbname=") + base;
}

Rele& Ambiente::rele() {
    if (!m_rele)
        throw Erro(Erro::Configuracao, QStringLiteral("Não há PostgreSQL nesta execução."));
    return *m_rele;
}

Ambiente::~Ambiente() {
    // Each window logs the ERP session off and closes its database as it goes.
    m_empresas.clear();
    g_ambiente = nullptr;
}

Ambiente& Ambiente::actual() {
    if (!g_ambiente)
        throw std::logic_error("no benchmark environment");
    return *g_ambiente;
}

QString Ambiente::pastaArranque() const {
    return m_trabalho.filePath(QStringLiteral("arranque"));
}

int Ambiente::pendentes(const QString& cliente) const {
    for (const DadosBench::Especial& e : m_perfis.at(DadosBench::Base::Grande).especiais)
        if (e.codigo == cliente)
            return e.pendentes;
    return -1;
}

Tamanhos Ambiente::tamanhos() const {
    Tamanhos t;
    t.linhasGrande = pendentes(DadosBench::ClienteGrande);
    t.linhasLimite = pendentes(DadosBench::ClienteLimite);
    t.linhasGuia = std::min(1000, t.linhasGrande / 4);
    t.linhasBase = m_perfis.at(DadosBench::Base::Grande).linhas;
    t.linhasPequena = m_perfis.at(DadosBench::Base::Pequena).linhas;
    t.clientes = m_perfis.at(DadosBench::Base::Grande).clientes;
    t.muitosClientes = m_perfis.at(DadosBench::Base::Clientes).clientes;
    return t;
}

Empresa& Ambiente::empresa(const QString& nome) {
    const auto i = m_empresas.find(nome);
    if (i == m_empresas.end())
        throw Erro(Erro::Configuracao, QStringLiteral("Não há a base \"%1\" nesta execução.").arg(nome));
    return *i->second;
}

Empresa& Ambiente::comJanela(const QString& nome) {
    Empresa& e = empresa(nome);
    if (!e.janela)
        criarJanela(e);
    return e;
}

bool Ambiente::tem(const QString& nome) const {
    return m_empresas.count(nome) > 0;
}

void Ambiente::criarJanela(Empresa& e) {
    e.bd = std::make_unique<BaseDados>();
    if (!e.bd->abrir(e.textoLigacao))
        throw Erro(Erro::BaseDadosFechada, e.bd->ultimoErro());
    // The window's session: the local ERP for the Guia, none needed for the rest.
    std::unique_ptr<SessaoErp> sessao;
    if (!e.posto.isEmpty()) {
        // The local ERP stores the documents in this base.
        auto erp = std::make_unique<ErpLocal>();
        if (!erp->login(DadosBench::Utilizador, DadosBench::Password, DadosBench::Empresa, e.textoLigacao, e.posto))
            throw Erro(Erro::Erp, erp->motivoFalhaLogin());
        // The journal as start-up opens it (its lock, recovery): every Guia
        // then checks it, syncs its start and writes the run log.
        e.corridas = Arranque::abrirCorridas(m_mensagens, *e.bd, *erp, DadosBench::Utilizador, e.posto);
        if (!e.corridas)
            throw Erro(Erro::Ficheiro, m_mensagens.tirar().join(QStringLiteral(" | ")));
        sessao = std::move(erp);
    }
    e.importacao = std::make_unique<Importacao>(Pastas({}, m_app.path()));
    e.janela = std::make_unique<frmImportacao>(*e.importacao, m_guarda);
    e.janela->Form_Load(*e.bd, std::move(sessao), e.corridas.get());
    e.janela->show();
    QApplication::setActiveWindow(e.janela.get());
    esperar([&] { return e.janela->windowHandle() && e.janela->windowHandle()->isExposed(); }, "janela exposta");
    exigirSemCaixas(QStringLiteral("abrir a janela"));
}

void Ambiente::exigirSemCaixas(const QString& passo) {
    const QStringList caixas = m_mensagens.tirar();
    if (!caixas.isEmpty())
        throw Erro(Erro::Configuracao, QStringLiteral("%1 mostrou: %2").arg(passo, caixas.join(QStringLiteral(" | "))));
    if (m_guarda.terminacaoPedida())
        throw Erro(Erro::Configuracao, QStringLiteral("%1 terminou o programa.").arg(passo));
}

// ---------------------------------------------------------------------------

double agora() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void esperar(const std::function<bool()>& feito, const char* oque) {
    const double limite = agora() + 20.0;
    while (!feito()) {
        if (agora() > limite)
            throw Erro(Erro::Configuracao, QStringLiteral("Esperou demasiado: %1.").arg(QString::fromUtf8(oque)));
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

ContadorPinturas::ContadorPinturas(QWidget* w) : QObject(w) {
    w->installEventFilter(this);
}

void ContadorPinturas::esperarPintura() {
    esperarPinturaDesde(m_pinturas);
}

void ContadorPinturas::esperarPinturaDesde(int desde) {
    esperar([&] { return m_pinturas > desde; }, "pintura");
}

bool ContadorPinturas::eventFilter(QObject*, QEvent* evento) {
    if (evento->type() == QEvent::Paint && (!m_pronto || m_pronto()))
        ++m_pinturas;
    return false;
}

} // namespace Bench
