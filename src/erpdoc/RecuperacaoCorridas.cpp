#include "RecuperacaoCorridas.h"

#include "AnulacaoGuia.h"
#include "Documentos.h"
#include "Erro.h"
#include "LeituraDocumentos.h"

namespace {

QString inicioDaFrase(const InicioCorrida& c) {
    const QString quando = c.hora.toLocalTime().toString(QStringLiteral("dd-MM-yyyy 'às' HH:mm"));
    if (c.anulacao)
        return QStringLiteral("A anulação interrompida de %1 (guia %2)").arg(quando, textoChave(c.anulacao->guia));
    return QStringLiteral("A execução interrompida de %1 (cliente %2)").arg(quando, c.cliente);
}

/// The highest number the run's entry can have: the one read before the next
/// run of the journal with the same type, series and year, which started
/// after this run's entry was stored.
std::optional<qint32> limiteDaEntrada(const std::vector<CorridaDiario>& todas, const InicioCorrida& corrida) {
    bool depois = false;
    for (const CorridaDiario& c : todas) {
        const InicioCorrida& i = c.inicio;
        if (depois && i.tipoEntrada == corrida.tipoEntrada && i.serieEntrada == corrida.serieEntrada &&
            i.anoEntrada == corrida.anoEntrada)
            return i.maiorNumero;
        depois = depois || i.id == corrida.id;
    }
    return std::nullopt;
}

struct Decisao {
    FimCorrida fim;
    QString frase; ///< after "A execução interrompida de ... (cliente X): "
};

/// The run's entry: the key its journal records when the database holds
/// it, else the one found from the run's start. A recorded key is taken
/// only for an entry that can be the run's (LeituraDocumentos::daCorrida): a
/// journal damaged or written by someone else could name any document.
std::optional<ChaveDocumento> entradaDe(LeituraDocumentos& leitura, const InicioCorrida& inicio,
                                        const std::optional<ChaveDocumento>& registada, std::optional<qint32> limite) {
    if (registada && (!leitura.anulado(*registada) || leitura.daCorrida(*registada, inicio)))
        return registada;
    return leitura.entradaDaCorrida(inicio, limite);
}

/// An annulment the operator asked for and confirmed is finished: the Guia,
/// then its entry, whichever of them is still live. Only a Guia of this
/// workstation with that entry: a journal damaged or written by someone else
/// could name any document.
Decisao decidirAnulacao(LeituraDocumentos& leitura, const BaseDados& base, SessaoErp& sessao, const AnulacaoDiario& a,
                        const QString& posto) {
    using Tipo = FimCorrida::Tipo;
    Decisao d;
    const QString guia = textoChave(a.guia);
    const std::optional<bool> guiaAnulada = leitura.anulado(a.guia);
    if (!guiaAnulada) {
        d.frase = QStringLiteral("a guia %1 não está na base de dados; nada foi anulado.").arg(guia);
        return d;
    }
    if (!leitura.anulacaoDoPosto(a, posto)) {
        d.frase = QStringLiteral("a guia %1 não é deste posto com essa entrada; nada foi anulado.").arg(guia);
        return d;
    }
    d.fim.guia = a.guia;
    d.fim.entrada = a.entrada;
    QString falha;
    if (!*guiaAnulada && anularDocumento(sessao, base, a.guia, a.motivo, falha) == DesfechoAnulacao::Falhou) {
        d.fim.erro = falha;
        d.frase = QStringLiteral("a guia %1 não pôde ser anulada: %2").arg(guia, comPonto(falha));
        return d;
    }
    const std::optional<bool> entradaAnulada = a.entrada ? leitura.anulado(*a.entrada) : std::nullopt;
    if (entradaAnulada && !*entradaAnulada &&
        anularDocumento(sessao, base, *a.entrada, a.motivo, falha) == DesfechoAnulacao::Falhou) {
        d.fim.tipo = Tipo::EntradaListada;
        d.fim.erro = falha;
        d.frase = QStringLiteral("a guia %1 foi anulada, mas a entrada %2 não: %3")
                      .arg(guia, textoChave(*a.entrada), comPonto(falha));
        return d;
    }
    d.fim.tipo = Tipo::GuiaAnulada;
    d.frase = a.entrada ? QStringLiteral("a guia %1 e a entrada %2 estão anuladas.").arg(guia, textoChave(*a.entrada))
                        : QStringLiteral("a guia %1 está anulada.").arg(guia);
    return d;
}

Decisao decidir(LeituraDocumentos& leitura, const BaseDados& base, SessaoErp& sessao, const CorridaDiario& c,
                const QString& posto, std::optional<qint32> limite) {
    using Tipo = FimCorrida::Tipo;
    if (c.inicio.anulacao)
        return decidirAnulacao(leitura, base, sessao, *c.inicio.anulacao, posto);
    Decisao d;
    // This workstation's run, whatever name its record gives.
    InicioCorrida inicio = c.inicio;
    inicio.posto = posto;
    const std::optional<ChaveDocumento> entrada = entradaDe(leitura, inicio, c.entrada, limite);
    if (!entrada) {
        d.frase = QStringLiteral("não chegou a guardar a entrada; nada foi anulado.");
        return d;
    }
    const QString nome = textoChave(*entrada);
    d.fim.entrada = entrada;
    const std::optional<bool> jaAnulada = leitura.anulado(*entrada);
    if (!jaAnulada) {
        d.fim.entrada.reset();
        d.frase = QStringLiteral("a entrada %1 não está na base de dados; nada foi anulado.").arg(nome);
        return d;
    }
    if (const auto guia = leitura.guiaDaEntrada(*entrada)) {
        d.fim.tipo = Tipo::GuiaFeita;
        d.fim.guia = guia;
        d.frase =
            *jaAnulada
                ? QStringLiteral("a guia %1 foi feita mas a entrada %2 está anulada; verifique-as no ERP.")
                      .arg(textoChave(*guia), nome)
                : QStringLiteral("a entrada %1 já tinha a guia %2; nada foi anulado.").arg(nome, textoChave(*guia));
        return d;
    }
    d.fim.tipo = Tipo::EntradaAnulada;
    if (*jaAnulada) {
        d.frase = QStringLiteral("a entrada %1 já estava anulada.").arg(nome);
        return d;
    }
    QString motivo;
    if (anularDocumento(sessao, base, *entrada, QString(), motivo) != DesfechoAnulacao::Falhou) {
        d.frase = QStringLiteral("a entrada %1 foi anulada.").arg(nome);
        return d;
    }
    // Or the Guia came meanwhile (its save held up on the way to the server),
    // and the entry stays with it.
    if (const auto guia = guiaDaEntrada(base, *entrada)) {
        d.fim.tipo = Tipo::GuiaFeita;
        d.fim.guia = guia;
        d.frase = QStringLiteral("a entrada %1 já tinha a guia %2; nada foi anulado.").arg(nome, textoChave(*guia));
        return d;
    }
    d.fim.tipo = Tipo::EntradaListada;
    d.fim.erro = motivo;
    d.frase = motivo.trimmed().isEmpty()
                  ? QStringLiteral("a entrada %1 não pôde ser anulada.").arg(nome)
                  : QStringLiteral("a entrada %1 não pôde ser anulada: %2").arg(nome, comPonto(motivo));
    return d;
}

} // namespace

ResultadoRecuperacao recuperarCorridas(DiarioCorridas& diario, const BaseDados& base, SessaoErp& sessao,
                                       const RegistoCorridas* registo) {
    ResultadoRecuperacao r;
    // Before every Guia: the journal says without a read when all its runs ended.
    if (!diario.podeTerPorTerminar())
        return r;
    const std::vector<CorridaDiario> todas = diario.corridas();
    QStringList frases;
    std::vector<ChaveDocumento> listadas;
    std::optional<LeituraDocumentos> leitura;
    for (const CorridaDiario& c : todas) {
        if (c.fim)
            continue;
        Decisao d;
        try {
            if (!leitura)
                leitura.emplace(base);
            d = decidir(*leitura, base, sessao, c, diario.posto(), limiteDaEntrada(todas, c.inicio));
        } catch (const Erro& e) {
            r.baseInacessivel = true;
            frases << QStringLiteral("%1 não pôde ser verificada: %2 O diário fica como estava e a verificação "
                                     "repete-se no próximo arranque.")
                          .arg(inicioDaFrase(c.inicio), comPonto(e.texto()));
            break;
        }
        diario.terminar(c.inicio.id, d.fim, true);
        if (registo)
            registo->registar(registoDe(c.inicio, d.fim, true));
        if (d.fim.tipo == FimCorrida::Tipo::EntradaListada)
            listadas.push_back(*d.fim.entrada);
        const QString frase = inicioDaFrase(c.inicio) + QStringLiteral(": ") + d.frase;
        frases << frase;
        r.recuperadas.push_back({c.inicio, d.fim, frase});
    }
    r.texto = frases.join(QLatin1Char('\n'));
    if (!listadas.empty())
        r.texto += QStringLiteral("\n\n") + mensagemAnulacaoManual(listadas);
    return r;
}
