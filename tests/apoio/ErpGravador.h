#pragma once

#include "FalhasSimuladas.h"
#include "ObjectoMembros.h"
#include "SessaoErp.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <optional>
#include <vector>

/// An ERP that only records what it is asked, for tests that check exactly
/// what the program asks of the ERP, and answers with outcomes set beforehand.
///
/// Every call is one line of `chamadas`, in call order:
///   definicao(3)
///   login(E1,***,E3,E4,E5)           E2 as "***" (or empty when empty); any
///                                    "Password=" value of E4 as "***"
///   logoff()
///   CriaObjectoApi(ErpApi.DocumentoComercial)
///   Cab.<membro>=<valor>             a header member written
///   Linha.<membro>=<valor>           a line member written
///   Validar()
///   SugereValoresLin(true,true,false,true,true,false,true)
///   AdicionaLinha()
///   OpcaoEntrada1=true, OpcaoEntrada2=true
///   CriaDocumentoEntrada(1,4,ENT,A1,1,A1,,,08-12-2026,,Texto,0,,[,A1],[,Desc],[0,3],[0,9],[,])
///   UltimoErro()
///   GravaDocumento(3)
///   AnulaDocumento(1,ENT/1/5/2026)   the key as TipoDoc/Serie/Numero/Ano
/// A member's <valor> is the text as it stands when the value is text, else
/// the value followed by its type in brackets: "2026 (short)", "4 (int)",
/// "2.5 (double)", "7.5 (Moeda)", "true (bool)"; "(vazio)" for no value.
/// Numbers are written in C notation, doubles in their shortest exact form.
/// Arrays are written "[e0,e1,...]". Reading a member is not recorded.
///
/// Objects handed out have the same members as the local ERP's (names matched
/// exactly; writing "Numero" is refused): a member the real objects do not
/// have raises Erro (Erp) here too.
///
/// Outcomes: each entry, save and annulment takes the next outcome queued for
/// it, or succeeds when none is queued. The fault hook falharEm takes the same
/// operation names as ErpLocal and fails the same way.
class ErpGravador final : public SessaoErp {
public:
    /// The outcome of one CriaDocumentoEntrada. Without a key, a stored entry
    /// gets {year of its date, its type, its series, 1, 2, 3...}.
    struct ResultadoEntrada {
        qint32 codigo = -1;
        QString texto;
        std::optional<ChaveDocumento> chave;
    };
    /// The outcome of one GravaDocumento (UltimoErro gives codigo and texto
    /// when flag is not 0; after a save the header's Numero is 1, 2, 3...).
    struct ResultadoGravacao {
        qint16 flag = 0;
        qint32 codigo = -1;
        QString texto;
    };
    /// Every argument of one CriaDocumentoEntrada, as it was handed over.
    struct Entrada {
        int p1 = 0;
        int p2 = 0;
        QString tipo;
        QString textoA;
        qint16 serie = 0;
        QString textoA2;
        QString vazio1;
        QString vazio2;
        QString data;
        QString vazio3;
        QString textoB;
        int p12 = 0;
        QString vazio4;
        QStringList artigos;
        QStringList descricoes;
        std::vector<double> quantidades;
        std::vector<double> precos;
        QStringList textos;
    };

    ErpGravador();
    ~ErpGravador() override;
    Q_DISABLE_COPY_MOVE(ErpGravador)

    void definicao(int valor) override;
    bool login(const QString& e1, const QString& e2, const QString& e3, const QString& e4, const QString& e5) override;
    bool logoff() override;
    std::shared_ptr<ObjectoApi> CriaObjectoApi(const QString& nome) override;
    void setOpcaoEntrada1(bool valor) override;
    void setOpcaoEntrada2(bool valor) override;
    void CriaDocumentoEntrada(int p1, int p2, const QString& tipo, const QString& textoA, qint16 serie,
                              const QString& textoA2, const QString& vazio1, const QString& vazio2, const QString& data,
                              const QString& vazio3, const QString& textoB, int p12, const QString& vazio4,
                              const QStringList& artigos, const QStringList& descricoes,
                              const std::vector<double>& quantidades, const std::vector<double>& precos,
                              const QStringList& textos, ChaveDocumento& chave, bool& flag) override;
    void UltimoErro(qint32& codigo, QString& texto) override;
    void GravaDocumento(int modo, DocumentoComercial& documento, qint16& flag) override;
    void AnulaDocumento(int p1, ChaveDocumento& chave, EstadoOperacao& estado, qint16& flag) override;

    /// Same names and behaviour as ErpLocal::falharEm ("...:meio" fails like
    /// the plain refusal: nothing is stored here anyway).
    void falharEm(const QString& operacao, int ocorrencia = 1);

    /// The calls, in order (format above).
    QStringList chamadas;
    /// The calls that start with one of the prefixes, in order.
    QStringList chamadasDe(const QStringList& prefixos) const;
    /// The arguments of every CriaDocumentoEntrada, in order.
    std::vector<Entrada> entradas;
    /// The keys handed to AnulaDocumento, in order.
    std::vector<ChaveDocumento> anulacoes;
    /// What the calls stored, as a real ERP would hold it: entries stored,
    /// documents saved, and the keys of the annulments that were done.
    int entradasGuardadas = 0;
    int documentosGravados = 0;
    std::vector<ChaveDocumento> anuladas;

    std::deque<ResultadoEntrada> resultadosEntrada;
    std::deque<ResultadoGravacao> resultadosGravacao;
    std::deque<EstadoOperacao> resultadosAnulacao;
    bool respostaLogin = true;

    /// The value written to a member, in the recorded form ("2026 (short)").
    static QString textoValor(const QVariant& valor);

private:
    class DocumentoGravado;
    /// An object's view of the recorder: null once the recorder is gone.
    using Vivo = std::shared_ptr<ErpGravador*>;

    void registar(const QString& chamada) { chamadas << chamada; }
    /// An ObjectoMembros that records every member written as "<prefixo>.<membro>=<valor>".
    std::shared_ptr<ObjectoMembros> objectoGravado(const QString& nome, const QStringList& membros,
                                                   const QString& prefixo, const QString& falha);

    /// Lets the objects handed out reach the recorder while it lives.
    Vivo m_vivo;
    FalhasSimuladas m_falhas;
    qint32 m_codigo = -1;
    QString m_texto;
    qint32 m_numeroEntrada = 0;
    qint32 m_numeroDocumento = 0;
};
