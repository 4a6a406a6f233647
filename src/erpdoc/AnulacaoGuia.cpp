#include "AnulacaoGuia.h"

#include "CodigosErp.h"
#include "Documentos.h"
#include "Erro.h"
#include "LeituraDocumentos.h"

/// A Guia's row as the annulment needs it.
struct AnulacaoGuia::EstadoGuia {
    QString posto;
    QString cliente;
    bool anulada = false;
    std::optional<ChaveDocumento> entrada;
};

namespace {

std::optional<AnulacaoGuia::EstadoGuia> lerGuia(BaseDados& base, const ChaveDocumento& guia) {
    RecordSet rs;
    base.consultar(QStringLiteral("SELECT POSTO, TERCEIRO, ANULADO, DOCRELACIONADO FROM DOCGCCAB"
                                  " WHERE TPDOC = ? AND SERIE = ? AND NNUMDOC = ? AND ANO = ?"),
                   {guia.TipoDoc, int(guia.Serie), guia.Numero, int(guia.Ano)}, rs);
    if (rs.fim())
        return std::nullopt;
    return AnulacaoGuia::EstadoGuia{rs.texto(0), rs.texto(1), rs.inteiro(2).value_or(0) == -1,
                                    chaveDeTexto(rs.texto(3))};
}

} // namespace

DesfechoAnulacao anularDocumento(SessaoErp& sessao, const BaseDados& base, const ChaveDocumento& chave,
                                 const QString& motivo, QString& falha) {
    ChaveDocumento c = chave;
    EstadoOperacao estado;
    qint16 flag = 0;
    try {
        sessao.setMotivoAnulacao(motivo);
        sessao.AnulaDocumento(1, c, estado, flag);
        falha = estado.TextoEstado;
    } catch (const Erro& e) {
        estado.Codigo = CodigosErp::ErroBaseDados;
        falha = e.texto();
    }
    if (estado.Codigo == CodigosErp::Feito)
        return DesfechoAnulacao::Feita;
    if (!anulada(base, chave))
        return DesfechoAnulacao::Falhou;
    // A refusal stored nothing: the annulment there is another's.
    return estado.Codigo == CodigosErp::Recusado ? DesfechoAnulacao::JaEstava : DesfechoAnulacao::Feita;
}

AnulacaoGuia::AnulacaoGuia(SessaoErp& sessao, CorridasDoPosto& corridas) : m_sessao(sessao), m_corridas(corridas) {}

std::optional<QString> AnulacaoGuia::recusaMotivo(const ChaveDocumento& guia, const QString& motivo) {
    const qsizetype tamanho = motivo.trimmed().size();
    if (tamanho == 0)
        return QStringLiteral("Indique o motivo da anulação da guia %1.").arg(textoChave(guia));
    if (tamanho > MaximoMotivoAnulacao)
        return QStringLiteral("O motivo da anulação tem no máximo %1 caracteres; o indicado tem %2.")
            .arg(MaximoMotivoAnulacao)
            .arg(tamanho);
    return std::nullopt;
}

std::optional<QString> AnulacaoGuia::recusa(const ChaveDocumento& guia) const {
    return recusaDe(guia, lerGuia(m_corridas.base(), guia));
}

std::optional<QString> AnulacaoGuia::recusaDe(const ChaveDocumento& guia,
                                              const std::optional<EstadoGuia>& estado) const {
    const QString nome = textoChave(guia);
    if (!estado)
        return QStringLiteral("A guia %1 não existe.").arg(nome);
    if (estado->anulada)
        return QStringLiteral("A guia %1 já está anulada.").arg(nome);
    // A Guia is annulled by the workstation that made it: its runs, and
    // their recovery, are that workstation's.
    if (estado->posto != m_corridas.posto())
        return QStringLiteral("A guia %1 foi feita no posto \"%2\": só esse posto a pode anular.")
            .arg(nome, estado->posto);
    return std::nullopt;
}

ResultadoAnulacao AnulacaoGuia::executar(const ChaveDocumento& guia, const QString& motivo) {
    ResultadoAnulacao r;
    const QString nome = textoChave(guia);
    if (const auto motivoRecusado = recusaMotivo(guia, motivo)) {
        r.mensagens << *motivoRecusado;
        return r;
    }
    InicioCorrida inicio;
    try {
        const ResultadoRecuperacao recuperacao = m_corridas.recuperar(m_sessao);
        if (!recuperacao.texto.isEmpty())
            r.mensagens << recuperacao.texto;
        if (recuperacao.baseInacessivel) {
            r.mensagens << QStringLiteral("Nada foi anulado: a anulação só se faz depois de verificada essa execução.");
            return r;
        }
        const auto estado = lerGuia(m_corridas.base(), guia);
        if (const auto motivoRecusa = recusaDe(guia, estado)) {
            r.mensagens << *motivoRecusa;
            return r;
        }
        inicio.cliente = estado->cliente;
        inicio.anulacao = AnulacaoDiario{guia, estado->entrada, motivo.trimmed()};
        inicio = m_corridas.iniciar(inicio);
    } catch (const Erro& e) {
        r.mensagens << QStringLiteral("Nada foi anulado: %1").arg(e.texto());
        return r;
    }
    const AnulacaoDiario& a = *inicio.anulacao;
    r.entrada = a.entrada;

    FimCorrida fim;
    fim.guia = guia;
    fim.entrada = a.entrada;
    try {
        QString falha;
        const DesfechoAnulacao desfecho = anularDocumento(m_sessao, m_corridas.base(), guia, a.motivo, falha);
        if (desfecho != DesfechoAnulacao::Feita) {
            // Another annulment came first (its workstation annuls the entry
            // too), or it failed: nothing changed here.
            fim.tipo = FimCorrida::Tipo::NadaGuardado;
            fim.erro = falha;
            m_corridas.terminar(inicio, fim);
            r.mensagens
                << (desfecho == DesfechoAnulacao::JaEstava
                        ? QStringLiteral("A guia %1 já foi anulada entretanto; nada foi anulado agora.").arg(nome)
                        : QStringLiteral("A guia %1 não foi anulada: %2").arg(nome, comPonto(falha)));
            return r;
        }
        r.anulada = true;
        if (a.entrada &&
            anularDocumento(m_sessao, m_corridas.base(), *a.entrada, a.motivo, falha) == DesfechoAnulacao::Falhou) {
            fim.tipo = FimCorrida::Tipo::EntradaListada;
            fim.erro = falha;
            m_corridas.terminar(inicio, fim);
            r.porAnular.push_back(*a.entrada);
            r.mensagens << QStringLiteral("A guia %1 foi anulada, mas a entrada %2 não: %3")
                               .arg(nome, textoChave(*a.entrada), comPonto(falha))
                        << mensagemAnulacaoManual(r.porAnular);
            return r;
        }
    } catch (const Erro& e) {
        // The database failed and its answer could not be read back.
        r.porVerificar = true;
        r.mensagens << QStringLiteral("Não foi possível saber se a guia %1 foi anulada: %2 A anulação fica por "
                                      "concluir e é verificada no próximo arranque (ou antes da próxima guia).")
                           .arg(nome, comPonto(e.texto()));
        return r;
    }
    fim.tipo = FimCorrida::Tipo::GuiaAnulada;
    m_corridas.terminar(inicio, fim);
    r.mensagens << (a.entrada
                        ? QStringLiteral("A guia %1 e a entrada %2 foram anuladas.").arg(nome, textoChave(*a.entrada))
                        : QStringLiteral("A guia %1 foi anulada.").arg(nome));
    return r;
}
