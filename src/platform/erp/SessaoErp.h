#pragma once

#include "ObjectoApi.h"

#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

/// The key of a stored ERP document.
struct ChaveDocumento final {
    qint16 Ano = 0;
    QString TipoDoc;
    qint16 Serie = 0;
    qint32 Numero = 0;
};

/// "TipoDoc/Serie/Numero/Ano", the way documents are named to the operator.
QString textoChave(const ChaveDocumento& chave);
/// The key named by such a text (the type is what comes before the last
/// three numbers); nothing when the text names none.
std::optional<ChaveDocumento> chaveDeTexto(const QString& texto);

/// The outcome of an annulment: Codigo -1 when done.
struct EstadoOperacao final {
    qint32 Codigo = 0;
    QString TextoEstado;
};

/// The logged-in ERP session: login, log-off and the document operations.
class SessaoErp {
public:
    virtual ~SessaoErp() = default;

    virtual void definicao(int valor) = 0;
    /// E1 user, E2 password, E3 company, E4 instance (connection text), E5 workstation.
    virtual bool login(const QString& e1, const QString& e2, const QString& e3, const QString& e4,
                       const QString& e5) = 0;
    /// The same login in two steps, so that the program can do other work on
    /// this thread while the ERP checks it: begins the login and returns what
    /// concludes it, which waits for the ERP's answer and says, as login()
    /// does, whether the session is open. Conclude it (once) before using the
    /// session. By default the whole login is done before this returns.
    virtual std::function<bool()> iniciarLogin(const QString& e1, const QString& e2, const QString& e3,
                                               const QString& e4, const QString& e5);
    virtual bool logoff() = 0;

    /// A new API object by its full name, exactly as written.
    virtual std::shared_ptr<ObjectoApi> CriaObjectoApi(const QString& nome) = 0;

    virtual void setOpcaoEntrada1(bool valor) = 0;
    virtual void setOpcaoEntrada2(bool valor) = 0;
    /// Stores an entry document with one line per array element 1..n (element 0
    /// of every array is empty); fills `chave`; the outcome is then given by
    /// UltimoErro (-1 when stored).
    virtual void CriaDocumentoEntrada(int p1, int p2, const QString& tipo, const QString& textoA, qint16 serie,
                                      const QString& textoA2, const QString& vazio1, const QString& vazio2,
                                      const QString& data, const QString& vazio3, const QString& textoB, int p12,
                                      const QString& vazio4, const QStringList& artigos, const QStringList& descricoes,
                                      const std::vector<double>& quantidades, const std::vector<double>& precos,
                                      const QStringList& textos, ChaveDocumento& chave, bool& flag) = 0;
    virtual void UltimoErro(qint32& codigo, QString& texto) = 0;
    /// Saves the document; `flag` 0 when saved, non-zero when not.
    virtual void GravaDocumento(int modo, DocumentoComercial& documento, qint16& flag) = 0;
    virtual void AnulaDocumento(int p1, ChaveDocumento& chave, EstadoOperacao& estado, qint16& flag) = 0;
    /// The reason the next AnulaDocumento keeps with the document it annuls
    /// (then forgotten); empty: none. An ERP that keeps no reason ignores it,
    /// as this one does by default.
    virtual void setMotivoAnulacao(const QString& motivo);
    /// Records one more print of the stored document and gives in
    /// `anteriores` how many prints were recorded before it (0: this print is
    /// the original), counted in the company database, so that every
    /// workstation sees the same count. Codigo -1 when recorded. An ERP that
    /// keeps no count refuses (Codigo 1), as this one does by default.
    virtual void RegistaImpressao(ChaveDocumento& chave, qint32& anteriores, EstadoOperacao& estado);
};
