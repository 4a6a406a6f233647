#pragma once

#include "SessaoErp.h"

#include <QString>

#include <functional>
#include <memory>

struct NucleoErp;

/// Our own local ERP: keeps its documents in the company database's document
/// tables (DOCGCCAB, DOCGCLIN), its users in ErpUtilizadores and its companies
/// in ErpEmpresas, and numbers documents per type, series and year in
/// ErpNumeracao.
///
/// Every store (entry, Guia, annulment) runs in one database transaction and
/// either stores everything or nothing. Document numbers stay unique and
/// order lines are never satisfied beyond what is pending, also when several
/// workstations (processes, each with its own session) store at once.
///
/// Outcomes through UltimoErro and EstadoOperacao::Codigo: -1 done, 1 refused
/// by the ERP's rules, 2 a database error, 3 no session (CodigosErp).
///
/// One session belongs to the thread that logged it in.
class ErpLocal final : public SessaoErp {
public:
    ErpLocal();
    ~ErpLocal() override;
    Q_DISABLE_COPY_MOVE(ErpLocal)

    void definicao(int valor) override;
    /// Opens the database named by the connection text `e4`, then checks the
    /// user `e1` (active, password `e2` against its salted hash) and the
    /// company `e3`. False, with no connection left open, when any of them
    /// fails; UltimoErro then gives 2 and the database's failure when the
    /// database could not be opened or read (in the operator's words, FalhaBd),
    /// 1 and the reason when the user, password or company is refused.
    bool login(const QString& e1, const QString& e2, const QString& e3, const QString& e4, const QString& e5) override;
    /// The same checks; the password's hash (slow on purpose) is checked on
    /// another core until the login is concluded. The refusals keep their
    /// order: a refused user or password is told before a missing company or
    /// a database failure met after the user was read.
    std::function<bool()> iniciarLogin(const QString& e1, const QString& e2, const QString& e3, const QString& e4,
                                       const QString& e5) override;
    /// Closes the connection; true, also when there is none.
    bool logoff() override;

    /// "ErpApi.DocumentoComercial" or "ErpApi.DocumentosGcLin",
    /// exactly; anything else raises Erro (Erp). Raises too without a session.
    std::shared_ptr<ObjectoApi> CriaObjectoApi(const QString& nome) override;

    void setOpcaoEntrada1(bool valor) override;
    void setOpcaoEntrada2(bool valor) override;
    /// Stores an entry document of type `tipo` and series `serie` dated `data`
    /// ("dd-mm-yyyy"), warehouse `textoA`, observations `textoB`, management
    /// area `p2`, with no client and one line per array element 1..n. Lines
    /// have no origin and change no pending quantity. `flag` true when stored.
    void CriaDocumentoEntrada(int p1, int p2, const QString& tipo, const QString& textoA, qint16 serie,
                              const QString& textoA2, const QString& vazio1, const QString& vazio2, const QString& data,
                              const QString& vazio3, const QString& textoB, int p12, const QString& vazio4,
                              const QStringList& artigos, const QStringList& descricoes,
                              const std::vector<double>& quantidades, const std::vector<double>& precos,
                              const QStringList& textos, ChaveDocumento& chave, bool& flag) override;
    void UltimoErro(qint32& codigo, QString& texto) override;
    /// Stores the document (header and lines) with the next number of its type,
    /// series and year, and takes each line's quantity off the order line it
    /// satisfies. After a save the header's member "Numero" holds the number.
    /// A Guia saved right after an entry of this session names that entry in
    /// DOCRELACIONADO.
    void GravaDocumento(int modo, DocumentoComercial& documento, qint16& flag) override;
    /// Marks the document and its lines annulled and gives back to each order
    /// line the quantity the document's lines had taken from it.
    void AnulaDocumento(int p1, ChaveDocumento& chave, EstadoOperacao& estado, qint16& flag) override;
    /// Kept in DOCGCCAB.MOTIVOANULACAO by the next AnulaDocumento, whatever its outcome.
    void setMotivoAnulacao(const QString& motivo) override;
    /// Adds one to the document's print count (DOCGCCAB.IMPRESSOES) and
    /// gives the count before it; refused (1) when the document is not there.
    void RegistaImpressao(ChaveDocumento& chave, qint32& anteriores, EstadoOperacao& estado) override;

    /// Fault hook for tests: the `ocorrencia`-th call of `operacao` from now fails.
    ///  - "CriaObjectoApi", "Cab" (writing a header member), "Linha" (writing a
    ///    line member), "Validar", "SugereValoresLin", "AdicionaLinha",
    ///    "CriaDocumentoEntrada": raise Erro (Erp) "Falha simulada em <operacao>.";
    ///    the same names followed by ":std" raise std::runtime_error instead;
    ///  - "GravaDocumento", "CriaDocumentoEntrada:recusa": refused (flag 1 /
    ///    false, UltimoErro 1 "Falha simulada em <operacao>."), nothing stored;
    ///  - "AnulaDocumento": Codigo 1 with that text, nothing changed;
    ///  - "GravaDocumento:excepcao", "AnulaDocumento:excepcao": raise Erro (Erp);
    ///  - "GravaDocumento:meio", "CriaDocumentoEntrada:meio", "AnulaDocumento:meio":
    ///    fail inside the transaction after every row was written and before
    ///    the commit; everything is rolled back and the failure is reported as
    ///    a database error (code 2).
    void falharEm(const QString& operacao, int ocorrencia = 1);
    void limparFalhas();
    /// Test hook: runs inside every store's transaction (with the operation's
    /// name: "CriaDocumentoEntrada", "GravaDocumento", "AnulaDocumento") after
    /// every row was written and before the commit, e.g. to look at the
    /// database from another connection or to cut this session's connection.
    /// An error it raises rolls the store back (reported as code 2).
    void definirAccaoNoMeio(std::function<void(const QString& operacao)> accao);
    /// Test hook: runs while a store's statement is on its way to the server
    /// and back (PostgreSQL: the store is one call, sent and not yet
    /// answered; SQLite: inside its transaction, as the action in the middle),
    /// e.g. to end the program then.
    void definirAccaoEmCurso(std::function<void(const QString& operacao)> accao);
    /// Test hook: runs right after every store's commit (with the
    /// operation's name), e.g. to end the program between two steps of a run.
    /// An error it raises is reported as a database error (code 2) although
    /// the store was committed: the commit's answer lost on its way back.
    void definirAccaoDepois(std::function<void(const QString& operacao)> accao);

    bool ligado() const;
    int definicaoDada() const;
    bool opcaoEntrada1() const;
    bool opcaoEntrada2() const;
    /// Why the last login failed, for the operator: never holds a password.
    QString motivoFalhaLogin() const;

private:
    std::shared_ptr<NucleoErp> m_nucleo;
};
