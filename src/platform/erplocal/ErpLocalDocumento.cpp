#include "ErpLocalInterno.h"
#include "Erro.h"

#include <QSet>

#include <utility>

namespace {

const QString cTerceiro = QStringLiteral("Terceiro");
const QString cContribuinte = QStringLiteral("NumeroContribuinte");

ObjectoMembros* comoLinha(ObjectoApi& objecto, const char* operacao) {
    auto* linha = dynamic_cast<ObjectoMembros*>(&objecto);
    if (!linha || linha->nomeObjecto() != NomesApi::Linha)
        throw Erro(Erro::Erp, QStringLiteral("%1 precisa de uma linha %2, não de %3.")
                                  .arg(QLatin1String(operacao), NomesApi::Linha, objecto.nomeObjecto()));
    return linha;
}

const QString cDescricao = QStringLiteral("Descricao");
const QString cPreco = QStringLiteral("PrecoUnitario");
const QString cArmazem = QStringLiteral("Armazem");
const QString cUnidade = QStringLiteral("Unidade");

} // namespace

bool SugestaoArtigo::preenche(const QString& membro) const {
    return (descricao && membro == cDescricao) || (preco && membro == cPreco) || (armazem && membro == cArmazem) ||
           (unidade && membro == cUnidade);
}

void SugestaoArtigo::esquecer(const QString& membro) {
    if (membro == cDescricao)
        descricao = false;
    else if (membro == cPreco)
        preco = false;
    else if (membro == cArmazem)
        armazem = false;
    else if (membro == cUnidade)
        unidade = false;
}

LinhaLocal::LinhaLocal(std::shared_ptr<const FormaMembros> forma, std::weak_ptr<NucleoErp> nucleo)
    : ObjectoMembros(std::move(forma)), m_nucleo(std::move(nucleo)) {
    observar([nucleo = m_nucleo](const QString&, const QVariant&) {
        if (const auto n = nucleo.lock())
            n->falhas.verificar(QStringLiteral("Linha"));
    });
}

void LinhaLocal::definir(const QString& membro, const QVariant& valor) {
    ObjectoMembros::definir(membro, valor);
    if (m_sugestao) {
        m_sugestao->esquecer(membro);
        if (m_sugestao->vazia())
            m_sugestao.reset();
    }
}

QVariant LinhaLocal::obter(const QString& membro) const {
    if (m_sugestao && m_sugestao->preenche(membro))
        // The member's value is the suggestion's, read now; the object is
        // the same to its caller whether it was read then or now.
        const_cast<LinhaLocal*>(this)->completar();
    return ObjectoMembros::obter(membro);
}

void LinhaLocal::sugerir(SugestaoArtigo s) {
    // An earlier suggestion is filled first, as it would have been then.
    if (m_sugestao)
        completar();
    if (!s.vazia())
        m_sugestao = std::move(s);
}

void LinhaLocal::completar() {
    if (!m_sugestao)
        return;
    const auto n = m_nucleo.lock();
    if (!n || !n->ligado())
        throw Erro(Erro::Erp, QStringLiteral("A sessão do ERP que criou a linha já terminou."));
    ErpBd::lerEmGrupo(n->db());
    const auto artigos = ErpBd::lerArtigos(n->db(), {m_sugestao->artigo});
    const SugestaoArtigo s = *std::exchange(m_sugestao, std::nullopt);
    if (const auto a = artigos.constFind(s.artigo); a != artigos.cend())
        s.aplicar(*this, *a);
}

DocumentoLocal::DocumentoLocal(std::weak_ptr<NucleoErp> nucleo)
    : m_nucleo(std::move(nucleo)), m_cab([] {
          static const auto forma = std::make_shared<const FormaMembros>(
              NomesApi::Cabecalho, NomesApi::membrosCabecalho(), QStringList{QStringLiteral("Numero")});
          return forma;
      }()) {
    m_cab.observar([nucleo = m_nucleo](const QString&, const QVariant&) {
        if (const auto n = nucleo.lock())
            n->falhas.verificar(QStringLiteral("Cab"));
    });
}

void DocumentoLocal::definir(const QString& membro, const QVariant&) {
    throw Erro(Erro::Erp, QStringLiteral("O objecto %1 não tem o membro %2.").arg(nomeObjecto(), membro));
}

QVariant DocumentoLocal::obter(const QString& membro) const {
    throw Erro(Erro::Erp, QStringLiteral("O objecto %1 não tem o membro %2.").arg(nomeObjecto(), membro));
}

std::shared_ptr<NucleoErp> DocumentoLocal::nucleoLigado() const {
    auto n = m_nucleo.lock();
    if (!n || !n->ligado())
        throw Erro(Erro::Erp, QStringLiteral("A sessão do ERP que criou o documento já terminou."));
    return n;
}

bool DocumentoLocal::Validar() {
    if (const auto n = m_nucleo.lock())
        n->falhas.verificar(QStringLiteral("Validar"));
    const auto n = nucleoLigado();
    QStringList motivos;

    // The client, its tax number, the type and the series: one look-up.
    const QString terceiro = m_cab.obter(cTerceiro).toString();
    const QString tipo = m_cab.obter(QStringLiteral("TipoDocumento")).toString();
    const QVariant serie = m_cab.obter(QStringLiteral("Serie"));
    const auto s = ErpBd::inteiroDe(serie);
    const ErpBd::CabecalhoNaBase base = ErpBd::CabecalhoNaBase::ler(
        n->db(), terceiro, tipo, s ? std::optional<int>(static_cast<int>(*s)) : std::nullopt);
    if (const auto motivo = base.motivoCliente())
        motivos << *motivo;
    else if (!m_cab.preenchido(cContribuinte))
        m_cab.definirInterno(cContribuinte, base.contribuinte);
    if (!s)
        motivos << QStringLiteral("A série \"%1\" do documento não é válida.").arg(serie.toString());
    else if (const auto motivo = base.motivoTipoSerie())
        motivos << *motivo;
    m_motivoValidacao = motivos.join(QLatin1Char(' '));
    return motivos.isEmpty();
}

void DocumentoLocal::SugereValoresLin(ObjectoApi& objecto, bool b1, bool b2, bool, bool b4, bool b5, bool, bool) {
    if (const auto n = m_nucleo.lock())
        n->falhas.verificar(QStringLiteral("SugereValoresLin"));
    ObjectoMembros* linha = comoLinha(objecto, "SugereValoresLin");
    const auto n = nucleoLigado();
    SugestaoArtigo s;
    s.artigo = linha->obter(QStringLiteral("Artigo")).toString();
    s.descricao = b1;
    s.preco = b2;
    s.armazem = b4 && !linha->preenchido(cArmazem);
    s.unidade = b5;
    if (auto* local = dynamic_cast<LinhaLocal*>(linha)) {
        local->sugerir(std::move(s));
        return;
    }
    // A line of another making is filled at once.
    const auto artigos = ErpBd::lerArtigos(n->db(), {s.artigo});
    if (const auto a = artigos.constFind(s.artigo); a != artigos.cend())
        s.aplicar(*linha, *a);
}

bool DocumentoLocal::AdicionaLinha(ObjectoApi& objecto) {
    if (const auto n = m_nucleo.lock())
        n->falhas.verificar(QStringLiteral("AdicionaLinha"));
    const ObjectoMembros* linha = comoLinha(objecto, "AdicionaLinha");
    if (m_gravado)
        return false;
    m_linhas.push_back(*linha);
    if (const auto* local = dynamic_cast<const LinhaLocal*>(linha); local && local->sugestao())
        m_porSugerir.emplace_back(m_linhas.size() - 1, *local->sugestao());
    return true;
}

const std::vector<ObjectoMembros>& DocumentoLocal::linhas() {
    if (m_porSugerir.empty())
        return m_linhas;
    const auto n = nucleoLigado();
    QStringList artigos;
    QSet<QString> vistos;
    for (const auto& [i, s] : m_porSugerir)
        if (!vistos.contains(s.artigo)) {
            vistos.insert(s.artigo);
            artigos << s.artigo;
        }
    ErpBd::lerEmGrupo(n->db());
    const auto lidos = ErpBd::lerArtigos(n->db(), artigos);
    for (const auto& [i, s] : m_porSugerir)
        if (const auto a = lidos.constFind(s.artigo); a != lidos.cend())
            s.aplicar(m_linhas[i], *a);
    m_porSugerir.clear();
    return m_linhas;
}

void DocumentoLocal::marcarGravado(qint32 numero) {
    m_gravado = true;
    m_cab.definirInterno(QStringLiteral("Numero"), numero);
}
