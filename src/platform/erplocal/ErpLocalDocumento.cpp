#include "ErpLocalInterno.h"
#include "Erro.h"

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

} // namespace

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
    ErpBd::lerEmGrupo(n->db());
    const auto artigo = ErpBd::primeiraLinha(
        n->db(), QStringLiteral("SELECT Nome, PrecoVenda, Unidade, Armazem FROM Artigos WHERE Codigo = ?"),
        {linha->obter(QStringLiteral("Artigo")).toString()});
    if (!artigo)
        return; // the save refuses an unknown article
    if (b1)
        linha->definirInterno(QStringLiteral("Descricao"), artigo->at(0).toString());
    if (b2)
        linha->definirInterno(QStringLiteral("PrecoUnitario"),
                              QVariant::fromValue(Moeda::deVariant(artigo->at(1)).value_or(Moeda())));
    if (b4 && !linha->preenchido(QStringLiteral("Armazem")))
        linha->definirInterno(QStringLiteral("Armazem"), artigo->at(3).toString());
    if (b5)
        linha->definirInterno(QStringLiteral("Unidade"), artigo->at(2).toString());
}

bool DocumentoLocal::AdicionaLinha(ObjectoApi& objecto) {
    if (const auto n = m_nucleo.lock())
        n->falhas.verificar(QStringLiteral("AdicionaLinha"));
    const ObjectoMembros* linha = comoLinha(objecto, "AdicionaLinha");
    if (m_gravado)
        return false;
    m_linhas.push_back(linha->valores());
    return true;
}

void DocumentoLocal::marcarGravado(qint32 numero) {
    m_gravado = true;
    m_cab.definirInterno(QStringLiteral("Numero"), numero);
}
