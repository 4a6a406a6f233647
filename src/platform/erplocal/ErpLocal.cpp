#include "ErpLocal.h"

#include "ErpLocalInterno.h"
#include "Erro.h"
#include "LigacaoBd.h"
#include "Senhas.h"

#include <QAtomicInt>

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

} // namespace

ErpLocal::ErpLocal() : m_nucleo(std::make_shared<NucleoErp>()) {}

ErpLocal::~ErpLocal() {
    logoff();
}

void ErpLocal::definicao(int valor) {
    m_nucleo->definicao = valor;
}

bool ErpLocal::login(const QString& e1, const QString& e2, const QString& e3, const QString& e4, const QString& e5) {
    logoff();
    NucleoErp& n = *m_nucleo;
    n.motivoFalhaLogin.clear();
    static QAtomicInt contador;
    const QString nome = QStringLiteral("erplocal-%1").arg(contador.fetchAndAddRelaxed(1));
    // A failed login leaves no connection; UltimoErro then says why: 2 when
    // the database failed, 1 when the values given are refused (the
    // connection text, the user, the password, the company).
    qint32 codigo = CodigosErp::Feito;
    QString motivo;
    try {
        ErpBd::ajustarLigacao(TextoLigacao::analisar(e4).abrir(nome));
        const QSqlDatabase db = QSqlDatabase::database(nome, false);
        const auto utilizador = ErpBd::primeiraLinha(
            db, QStringLiteral("SELECT HashPassword, Activo FROM ErpUtilizadores WHERE Utilizador = ?"), {e1});
        if (!utilizador || utilizador->at(1).toInt() != 1 || !Senhas::confere(utilizador->at(0).toString(), e2))
            motivo = QStringLiteral("Utilizador ou palavra-passe do ERP inválidos.");
        else if (!ErpBd::primeiraLinha(db, QStringLiteral("SELECT 1 FROM ErpEmpresas WHERE Codigo = ?"), {e3}))
            motivo = QStringLiteral("A empresa %1 não existe no ERP.").arg(e3);
        codigo = CodigosErp::Recusado;
    } catch (const Erro& e) {
        // The connection text's own messages never quote its password.
        codigo = e.numero() == Erro::Configuracao ? CodigosErp::Recusado : CodigosErp::ErroBaseDados;
        motivo = e.texto();
    }
    if (!motivo.isEmpty()) {
        fecharLigacao(nome);
        n.motivoFalhaLogin = motivo;
        n.registar(codigo, motivo);
        return false;
    }
    n.nomeLigacao = nome;
    n.utilizador = e1;
    n.empresa = e3;
    n.posto = e5;
    n.entradaPorLigar.clear();
    n.registar(CodigosErp::Feito, {});
    return true;
}

bool ErpLocal::logoff() {
    NucleoErp& n = *m_nucleo;
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
        auto linha = std::make_shared<ObjectoMembros>(NomesApi::Linha, NomesApi::membrosLinha());
        linha->observar([nucleo = std::weak_ptr<NucleoErp>(m_nucleo)](const QString&, const QVariant&) {
            if (const auto n = nucleo.lock())
                n->falhas.verificar(QStringLiteral("Linha"));
        });
        return linha;
    }
    throw Erro(Erro::Erp, QStringLiteral("O ERP não tem o objecto \"%1\".").arg(nome));
}

void ErpLocal::setOpcaoEntrada1(bool valor) {
    m_nucleo->opcaoEntrada1 = valor;
}

void ErpLocal::setOpcaoEntrada2(bool valor) {
    m_nucleo->opcaoEntrada2 = valor;
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
