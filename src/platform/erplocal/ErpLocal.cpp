#include "ErpLocal.h"

#include "Dialecto.h"
#include "ErpLocalInterno.h"
#include "Erro.h"
#include "LigacaoBd.h"
#include "Senhas.h"

#include <QAtomicInt>

#include <future>

namespace {

void fecharLigacao(const QString& nome) {
    if (nome.isEmpty() || !QSqlDatabase::contains(nome))
        return;
    ErpBd::esquecerPreparadas(nome);
    {
        QSqlDatabase db = QSqlDatabase::database(nome, false);
        ErpBd::terminarLeitura(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(nome);
}

const QString semSessao = QStringLiteral("A sessão do ERP não está iniciada.");
const QString utilizadorRecusado = QStringLiteral("Utilizador ou palavra-passe do ERP inválidos.");

/// Why a login failed: the code UltimoErro gives, and the reason.
struct FalhaLogin {
    qint32 codigo = CodigosErp::Feito;
    QString motivo;

    bool houve() const { return !motivo.isEmpty(); }
};

FalhaLogin falhaDe(const Erro& e) {
    // The connection text's own messages never quote its password. A server
    // that refuses the connection (the ERP's user or password, the database
    // named, or a connection its rules do not admit, such as one without
    // TLS) is a failure of the database, told in its words: the operator
    // or the administrator can act on it.
    return {e.numero() == Erro::Configuracao ? CodigosErp::Recusado : CodigosErp::ErroBaseDados, e.texto()};
}

} // namespace

ErpLocal::ErpLocal() : m_nucleo(std::make_shared<NucleoErp>()) {}

ErpLocal::~ErpLocal() {
    logoff();
}

void ErpLocal::definicao(int valor) {
    m_nucleo->definicao = valor;
}

bool ErpLocal::login(const QString& e1, const QString& e2, const QString& e3, const QString& e4, const QString& e5) {
    return iniciarLogin(e1, e2, e3, e4, e5)();
}

std::function<bool()> ErpLocal::iniciarLogin(const QString& e1, const QString& e2, const QString& e3, const QString& e4,
                                             const QString& e5) {
    logoff();
    NucleoErp& n = *m_nucleo;
    n.motivoFalhaLogin.clear();
    static QAtomicInt contador;
    const QString nome = QStringLiteral("erplocal-%1").arg(contador.fetchAndAddRelaxed(1));
    n.ligacaoPorConcluir = nome;
    // A failed login leaves no connection; UltimoErro then says why: 2 when
    // the database failed, 1 when the values given are refused (the
    // connection text, the user, the password, the company).
    FalhaLogin falha, depoisDaSenha;
    auto senhaConfere = std::make_shared<std::future<bool>>();
    try {
        TextoLigacao ligacao = TextoLigacao::analisar(e4);
        // On a server the ERP's user is the operator's own login, and the
        // server checks its password: one it refuses is the ERP's refusal.
        const bool servidor = ligacao.dialecto().servidor();
        if (servidor) {
            ligacao.utilizador = e1;
            ligacao.password = e2;
        }
        try {
            ErpBd::ajustarLigacao(ligacao.abrir(nome));
        } catch (const Erro& e) {
            if (servidor && e.numero() == Erro::AcessoRecusado && ligacao.passwordRecusada())
                throw Recusa{e.texto()};
            throw;
        }
        const QSqlDatabase db = QSqlDatabase::database(nome, false);
        if (servidor) {
            // One statement: the user active in the ERP, the company there;
            // and, should an earlier life of this workstation have left a
            // store on its way, its end awaited (the stores of a workstation
            // take the same lock).
            const auto r = ErpBd::primeiraLinha(
                db,
                QStringLiteral("SELECT (SELECT Activo FROM ErpUtilizadores WHERE Utilizador = session_user),"
                               " EXISTS (SELECT 1 FROM ErpEmpresas WHERE Codigo = ?),"
                               " EXISTS (SELECT FROM pg_advisory_xact_lock(1869770081, hashtext(?)))"),
                {e3, e5});
            if (!r || r->at(0).toInt() != 1)
                falha = {CodigosErp::Recusado, utilizadorRecusado};
            else if (!r->at(1).toBool())
                falha = {CodigosErp::Recusado, QStringLiteral("A empresa %1 não existe no ERP.").arg(e3)};
        } else {
            const auto utilizador = ErpBd::primeiraLinha(
                db, QStringLiteral("SELECT HashPassword, Activo FROM ErpUtilizadores WHERE Utilizador = ?"), {e1});
            // A user who does not exist, or is not active, has the password
            // checked all the same, against no one's hash, and is refused as a
            // wrong password is, no sooner: the time a refusal takes does not
            // tell which users exist.
            const bool activo = utilizador && utilizador->at(1).toInt() == 1;
            const QString hash = activo ? utilizador->at(0).toString() : Senhas::hashDeNinguem();
            // Deferred to this thread when no other can be started.
            *senhaConfere = std::async(std::launch::async | std::launch::deferred,
                                       [hash, e2, activo] { return Senhas::confere(hash, e2) && activo; });
            try {
                if (!ErpBd::primeiraLinha(db, QStringLiteral("SELECT 1 FROM ErpEmpresas WHERE Codigo = ?"), {e3}))
                    depoisDaSenha = {CodigosErp::Recusado, QStringLiteral("A empresa %1 não existe no ERP.").arg(e3)};
            } catch (const Erro& e) {
                depoisDaSenha = falhaDe(e);
            }
        }
    } catch (const Recusa& r) {
        falha = {CodigosErp::Recusado, r.texto};
    } catch (const Erro& e) {
        falha = falhaDe(e);
    }
    return [nucleo = m_nucleo, nome, senhaConfere, falha, depoisDaSenha, e1, e3, e5]() mutable {
        if (!falha.houve() && senhaConfere->valid()) {
            try {
                if (!senhaConfere->get())
                    falha = {CodigosErp::Recusado, utilizadorRecusado};
            } catch (const Erro& e) {
                falha = falhaDe(e);
            }
            if (!falha.houve())
                falha = depoisDaSenha;
        }
        NucleoErp& n = *nucleo;
        if (n.ligacaoPorConcluir != nome) {
            // Logged off, or logged in anew, before this login was concluded:
            // its connection is gone.
            if (!falha.houve())
                falha = {CodigosErp::Recusado, QStringLiteral("O início de sessão no ERP foi interrompido.")};
        } else {
            n.ligacaoPorConcluir.clear();
        }
        if (falha.houve()) {
            fecharLigacao(nome);
            n.motivoFalhaLogin = falha.motivo;
            n.registar(falha.codigo, falha.motivo);
            return false;
        }
        n.nomeLigacao = nome;
        n.utilizador = e1;
        n.empresa = e3;
        n.posto = e5;
        n.entradaPorLigar.clear();
        n.registar(CodigosErp::Feito, {});
        return true;
    };
}

bool ErpLocal::logoff() {
    NucleoErp& n = *m_nucleo;
    fecharLigacao(n.ligacaoPorConcluir);
    n.ligacaoPorConcluir.clear();
    fecharLigacao(n.nomeLigacao);
    n.nomeLigacao.clear();
    n.entradaPorLigar.clear();
    return true;
}

std::shared_ptr<ObjectoApi> ErpLocal::CriaObjectoApi(const QString& nome) {
    NucleoErp& n = *m_nucleo;
    n.falhas.verificar(QStringLiteral("CriaObjectoApi"));
    if (!n.ligado())
        throw Erro(Erro::Erp, semSessao);
    if (nome == NomesApi::Documento)
        return std::make_shared<DocumentoLocal>(m_nucleo);
    if (nome == NomesApi::Linha) {
        // A document's thousand lines share one description of their members.
        static const auto forma =
            std::make_shared<const FormaMembros>(NomesApi::Linha, NomesApi::membrosLinha(), QStringList{});
        return std::make_shared<LinhaLocal>(forma, m_nucleo);
    }
    throw Erro(Erro::Erp, QStringLiteral("O ERP não tem o objecto \"%1\".").arg(nome));
}

void ErpLocal::setOpcaoEntrada1(bool valor) {
    m_nucleo->opcaoEntrada1 = valor;
}

void ErpLocal::setOpcaoEntrada2(bool valor) {
    m_nucleo->opcaoEntrada2 = valor;
}

void ErpLocal::setMotivoAnulacao(const QString& motivo) {
    m_nucleo->motivoAnulacao = motivo;
}

void ErpLocal::UltimoErro(qint32& codigo, QString& texto) {
    codigo = m_nucleo->codigoErro;
    texto = m_nucleo->textoErro;
}

void ErpLocal::falharEm(const QString& operacao, int ocorrencia) {
    m_nucleo->falhas.armar(operacao, ocorrencia);
}

void ErpLocal::limparFalhas() {
    m_nucleo->falhas.limpar();
}

void ErpLocal::definirAccaoNoMeio(std::function<void(const QString&)> accao) {
    m_nucleo->accaoNoMeio = std::move(accao);
}

void ErpLocal::definirAccaoEmCurso(std::function<void(const QString&)> accao) {
    m_nucleo->accaoEmCurso = std::move(accao);
}

void ErpLocal::definirAccaoDepois(std::function<void(const QString&)> accao) {
    m_nucleo->accaoDepois = std::move(accao);
}

bool ErpLocal::ligado() const {
    return m_nucleo->ligado();
}

int ErpLocal::definicaoDada() const {
    return m_nucleo->definicao;
}

bool ErpLocal::opcaoEntrada1() const {
    return m_nucleo->opcaoEntrada1;
}

bool ErpLocal::opcaoEntrada2() const {
    return m_nucleo->opcaoEntrada2;
}

QString ErpLocal::motivoFalhaLogin() const {
    return m_nucleo->motivoFalhaLogin;
}
