#include "CorridasDoPosto.h"

#include "Erro.h"
#include "LeituraDocumentos.h"
#include "RecordSet.h"

#include <algorithm>

namespace {

/// `posto`, when the ERP's documents can keep it whole.
QString postoQueCabe(QString posto) {
    // Counted as the database counts a text's length: in characters.
    const qsizetype tamanho = posto.toUcs4().size();
    if (tamanho > CorridasDoPosto::TamanhoMaximoPosto)
        throw Erro(Erro::Configuracao,
                   QStringLiteral("O nome do posto \"%1\" tem %2 caracteres, e a base de dados da empresa guarda nos "
                                  "documentos no máximo %3. Dê a este posto um nome mais curto em Posto, no ficheiro "
                                  "de configuração.")
                       .arg(posto)
                       .arg(tamanho)
                       .arg(CorridasDoPosto::TamanhoMaximoPosto));
    return posto;
}

} // namespace

CorridasDoPosto::CorridasDoPosto(BaseDados& base, QString utilizador, QString posto, const QString& caminhoRegisto)
    : m_base(base), m_utilizador(std::move(utilizador)), m_posto(postoQueCabe(std::move(posto))),
      m_diario(m_posto, identidadeBase(base)), m_trinco(base, m_posto), m_registo(caminhoRegisto) {}

QString CorridasDoPosto::identidadeBase(BaseDados& base) {
    const QStringList tabelas = base.db().tables();
    const auto tem = [&tabelas](QLatin1String nome) {
        return std::any_of(tabelas.cbegin(), tabelas.cend(),
                           [nome](const QString& t) { return t.compare(nome, Qt::CaseInsensitive) == 0; });
    };
    if (!tem(QLatin1String("ErpIdentidade"))) {
        // A company database always has its documents: no tables at all is
        // a database that could not be read, never an older one.
        if (!tem(QLatin1String("DOCGCCAB")))
            throw Erro(
                Erro::Sql,
                QStringLiteral("A base de dados %1 não tem as tabelas da empresa.").arg(base.ligacao().descricao()));
        return base.ligacao().descricao();
    }
    RecordSet rs;
    base.consultar(QStringLiteral("SELECT MIN(Identidade) AS ID FROM ErpIdentidade"), {}, rs);
    const QString identidade = rs.fim() ? QString() : rs.campo(QStringLiteral("ID")).toString();
    return identidade.isEmpty() ? base.ligacao().descricao() : QStringLiteral("identidade ") + identidade;
}

ResultadoRecuperacao CorridasDoPosto::recuperar(SessaoErp& sessao) {
    return recuperarCorridas(m_diario, m_base, sessao, &m_registo);
}

InicioCorrida CorridasDoPosto::iniciar(InicioCorrida inicio) {
    inicio.utilizador = m_utilizador;
    inicio.posto = m_posto;
    if (!inicio.anulacao)
        inicio.maiorNumero = maiorNumeroDocumento(m_base, inicio.tipoEntrada, inicio.serieEntrada, inicio.anoEntrada);
    // The time the journal keeps is the one recovery names the run by.
    inicio.hora = QDateTime::currentDateTimeUtc();
    inicio.id = m_diario.iniciar(inicio);
    return inicio;
}

void CorridasDoPosto::entradaGuardada(const InicioCorrida& inicio, const ChaveDocumento& chave) {
    try {
        m_diario.entradaGuardada(inicio.id, chave);
    } catch (const Erro&) {
        // The "inicio" record is on the disk: it is enough to find the entry.
    }
}

void CorridasDoPosto::terminar(const InicioCorrida& inicio, const FimCorrida& fim) {
    try {
        m_diario.terminar(inicio.id, fim);
    } catch (const Erro&) {
        // Recovery reads the same outcome back from the database.
    }
    m_registo.registar(registoDe(inicio, fim, false));
}

std::optional<ChaveDocumento> CorridasDoPosto::entradaDaCorrida(const InicioCorrida& inicio) const {
    return LeituraDocumentos(m_base).entradaDaCorrida(inicio, std::nullopt);
}
