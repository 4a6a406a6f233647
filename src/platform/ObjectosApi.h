#pragma once

#include "SessaoErp.h"

#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>

/// The two object names the ERP's document API serves, exactly as written.
namespace NomesApi {
inline const QString Documento = QStringLiteral("ErpApi.DocumentoComercial");
inline const QString Linha = QStringLiteral("ErpApi.DocumentosGcLin");
/// The header object reached through DocumentoComercial::Cab().
inline const QString Cabecalho = QStringLiteral("ErpApi.DocumentoComercial.Cab");

/// The members a document header has, in the order the program writes them,
/// followed by what the ERP fills itself (Numero, read only, after a save).
const QStringList& membrosCabecalho();
/// The members a document line has (Unidade is filled by SugereValoresLin).
const QStringList& membrosLinha();
} // namespace NomesApi

/// The outcome codes the ERP sessions give through UltimoErro and
/// EstadoOperacao::Codigo.
namespace CodigosErp {
constexpr qint32 Feito = -1;
/// Refused by the ERP's rules (missing client or article, not enough pending, ...).
constexpr qint32 Recusado = 1;
/// The database failed during the operation; nothing of it was stored.
constexpr qint32 ErroBaseDados = 2;
/// No ERP session is logged in.
constexpr qint32 SemSessao = 3;
} // namespace CodigosErp

/// An API object whose members are kept by name in a map. Only the members of
/// its fixed list exist (names matched exactly, case included); some of them
/// may be read only to the program.
class ObjectoMembros : public ObjectoApi {
public:
    /// Called before a member is written by the program; may raise to refuse it.
    using Observador = std::function<void(const QString& membro, const QVariant& valor)>;

    ObjectoMembros(QString nome, const QStringList& membros, QStringList soLeitura = {});

    QString nomeObjecto() const override { return m_nome; }
    /// Raises Erro (Erp) for a member the object does not have or may not be written.
    void definir(const QString& membro, const QVariant& valor) override;
    /// Raises Erro (Erp) for a member the object does not have; an unwritten
    /// member gives an invalid QVariant.
    QVariant obter(const QString& membro) const override;

    bool temMembro(const QString& membro) const { return m_membros.contains(membro); }
    /// True when the member holds a value that is not empty text.
    bool preenchido(const QString& membro) const;
    const QMap<QString, QVariant>& valores() const { return m_valores; }
    /// Writes a member on the ERP's behalf: no observer, read-only members allowed.
    void definirInterno(const QString& membro, const QVariant& valor);
    void observar(Observador observador) { m_observador = std::move(observador); }

private:
    void exigirMembro(const QString& membro) const;

    QString m_nome;
    QStringList m_membros;
    QStringList m_soLeitura;
    QMap<QString, QVariant> m_valores;
    Observador m_observador;
};

/// Faults armed by tests: the n-th occurrence of a named operation fails once.
class FalhasSimuladas final {
public:
    /// Arms `operacao` to fail on its `ocorrencia`-th occurrence from now.
    void armar(const QString& operacao, int ocorrencia);
    void limpar() { m_armadas.clear(); }
    /// Counts one occurrence of `operacao`; true when this is the one armed
    /// to fail (the fault is then disarmed).
    bool deveFalhar(const QString& operacao);
    /// Counts one occurrence and raises Erro (Erp) "Falha simulada em ..." when armed.
    void verificar(const QString& operacao);
    static QString texto(const QString& operacao);

private:
    struct Armada {
        int ocorrencia = 1;
        int vistas = 0;
    };
    QHash<QString, Armada> m_armadas;
};

/// "TipoDoc/Serie/Numero/Ano", the way documents are named to the operator.
QString textoChave(const ChaveDocumento& chave);
