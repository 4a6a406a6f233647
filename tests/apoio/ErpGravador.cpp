#include "ErpGravador.h"

#include "CodigosErp.h"
#include "NomesApi.h"

#include "Erro.h"
#include "Moeda.h"

#include <QDate>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString booleano(bool b) {
    return b ? QStringLiteral("true") : QStringLiteral("false");
}

QString numero(double d) {
    return QString::number(d, 'g', QLocale::FloatingPointShortest);
}

QString lista(const QStringList& l) {
    return QLatin1Char('[') + l.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString lista(const std::vector<double>& l) {
    QStringList t;
    for (double d : l)
        t << numero(d);
    return lista(t);
}

/// The connection text without the value of its password.
QString semPassword(QString texto) {
    static const QRegularExpression password(QStringLiteral("(password|pwd)\\s*=\\s*(\"(?:[^\"]|\"\")*\"|[^;]*)"),
                                             QRegularExpression::CaseInsensitiveOption);
    return texto.replace(password, QStringLiteral("\\1=***"));
}

} // namespace

/// The recorder's ErpApi.DocumentoComercial.
class ErpGravador::DocumentoGravado final : public DocumentoComercial {
public:
    DocumentoGravado(std::weak_ptr<ErpGravador*> vivo, std::shared_ptr<ObjectoMembros> cab)
        : m_vivo(std::move(vivo)), m_cab(std::move(cab)) {}

    QString nomeObjecto() const override { return NomesApi::Documento; }
    void definir(const QString& membro, const QVariant&) override { semMembro(membro); }
    QVariant obter(const QString& membro) const override { semMembro(membro); }

    ObjectoApi& Cab() override { return *m_cab; }
    bool Validar() override {
        registar(QStringLiteral("Validar()"), QStringLiteral("Validar"));
        return true;
    }
    void SugereValoresLin(ObjectoApi&, bool b1, bool b2, bool b3, bool b4, bool b5, bool b6, bool b7) override {
        const QStringList b{booleano(b1), booleano(b2), booleano(b3), booleano(b4),
                            booleano(b5), booleano(b6), booleano(b7)};
        registar(QStringLiteral("SugereValoresLin(%1)").arg(b.join(QLatin1Char(','))),
                 QStringLiteral("SugereValoresLin"));
    }
    bool AdicionaLinha(ObjectoApi&) override {
        registar(QStringLiteral("AdicionaLinha()"), QStringLiteral("AdicionaLinha"));
        return true;
    }

    ObjectoMembros& cabecalho() { return *m_cab; }

private:
    [[noreturn]] void semMembro(const QString& membro) const {
        throw Erro(Erro::Erp, QStringLiteral("O objecto %1 não tem o membro %2.").arg(nomeObjecto(), membro));
    }
    void registar(const QString& chamada, const QString& falha) {
        if (const auto g = m_vivo.lock()) {
            (*g)->registar(chamada);
            (*g)->m_falhas.verificar(falha);
        }
    }

    std::weak_ptr<ErpGravador*> m_vivo;
    std::shared_ptr<ObjectoMembros> m_cab;
};

ErpGravador::ErpGravador() : m_vivo(std::make_shared<ErpGravador*>(this)) {}

ErpGravador::~ErpGravador() = default;

QString ErpGravador::textoValor(const QVariant& valor) {
    if (!valor.isValid())
        return QStringLiteral("(vazio)");
    const int tipo = valor.userType();
    if (tipo == QMetaType::QString)
        return valor.toString();
    QString t;
    if (tipo == qMetaTypeId<Moeda>())
        t = valor.value<Moeda>().paraTextoC();
    else if (tipo == QMetaType::Double)
        t = numero(valor.toDouble());
    else if (tipo == QMetaType::Float)
        t = numero(static_cast<double>(valor.toFloat()));
    else if (tipo == QMetaType::Bool)
        t = booleano(valor.toBool());
    else if (tipo == QMetaType::QDate)
        t = valor.toDate().toString(Qt::ISODate);
    else
        t = valor.toString();
    return QStringLiteral("%1 (%2)").arg(t, QString::fromLatin1(valor.typeName()));
}

std::shared_ptr<ObjectoMembros> ErpGravador::objectoGravado(const QString& nome, const QStringList& membros,
                                                            const QString& prefixo, const QString& falha) {
    auto objecto = std::make_shared<ObjectoMembros>(nome, membros, QStringList{QStringLiteral("Numero")});
    objecto->observar(
        [vivo = std::weak_ptr<ErpGravador*>(m_vivo), prefixo, falha](const QString& membro, const QVariant& valor) {
            if (const auto g = vivo.lock()) {
                (*g)->registar(QStringLiteral("%1.%2=%3").arg(prefixo, membro, textoValor(valor)));
                (*g)->m_falhas.verificar(falha);
            }
        });
    return objecto;
}

void ErpGravador::definicao(int valor) {
    registar(QStringLiteral("definicao(%1)").arg(valor));
}

bool ErpGravador::login(const QString& e1, const QString& e2, const QString& e3, const QString& e4, const QString& e5) {
    registar(QStringLiteral("login(%1,%2,%3,%4,%5)")
                 .arg(e1, e2.isEmpty() ? QString() : QStringLiteral("***"), e3, semPassword(e4), e5));
    return respostaLogin;
}

bool ErpGravador::logoff() {
    registar(QStringLiteral("logoff()"));
    return true;
}

std::shared_ptr<ObjectoApi> ErpGravador::CriaObjectoApi(const QString& nome) {
    registar(QStringLiteral("CriaObjectoApi(%1)").arg(nome));
    m_falhas.verificar(QStringLiteral("CriaObjectoApi"));
    if (nome == NomesApi::Documento)
        return std::make_shared<DocumentoGravado>(m_vivo,
                                                  objectoGravado(NomesApi::Cabecalho, NomesApi::membrosCabecalho(),
                                                                 QStringLiteral("Cab"), QStringLiteral("Cab")));
    if (nome == NomesApi::Linha)
        return objectoGravado(NomesApi::Linha, NomesApi::membrosLinha(), QStringLiteral("Linha"),
                              QStringLiteral("Linha"));
    throw Erro(Erro::Erp, QStringLiteral("O ERP não tem o objecto \"%1\".").arg(nome));
}

void ErpGravador::setOpcaoEntrada1(bool valor) {
    registar(QStringLiteral("OpcaoEntrada1=") + booleano(valor));
}

void ErpGravador::setOpcaoEntrada2(bool valor) {
    registar(QStringLiteral("OpcaoEntrada2=") + booleano(valor));
}

void ErpGravador::CriaDocumentoEntrada(int p1, int p2, const QString& tipo, const QString& textoA, qint16 serie,
                                       const QString& textoA2, const QString& vazio1, const QString& vazio2,
                                       const QString& data, const QString& vazio3, const QString& textoB, int p12,
                                       const QString& vazio4, const QStringList& artigos, const QStringList& descricoes,
                                       const std::vector<double>& quantidades, const std::vector<double>& precos,
                                       const QStringList& textos, ChaveDocumento& chave, bool& flag) {
    const QStringList args{QString::number(p1),
                           QString::number(p2),
                           tipo,
                           textoA,
                           QString::number(serie),
                           textoA2,
                           vazio1,
                           vazio2,
                           data,
                           vazio3,
                           textoB,
                           QString::number(p12),
                           vazio4,
                           lista(artigos),
                           lista(descricoes),
                           lista(quantidades),
                           lista(precos),
                           lista(textos)};
    registar(QStringLiteral("CriaDocumentoEntrada(%1)").arg(args.join(QLatin1Char(','))));
    entradas.push_back(Entrada{p1, p2, tipo, textoA, serie, textoA2, vazio1, vazio2, data, vazio3, textoB, p12, vazio4,
                               artigos, descricoes, quantidades, precos, textos});
    flag = false;
    chave = ChaveDocumento{};
    m_falhas.verificar(QStringLiteral("CriaDocumentoEntrada"));
    for (const QString& falha :
         {QStringLiteral("CriaDocumentoEntrada:recusa"), QStringLiteral("CriaDocumentoEntrada:meio")})
        if (m_falhas.deveFalhar(falha)) {
            m_codigo = CodigosErp::Recusado;
            m_texto = FalhasSimuladas::texto(falha);
            return;
        }
    ResultadoEntrada r;
    if (!resultadosEntrada.empty()) {
        r = resultadosEntrada.front();
        resultadosEntrada.pop_front();
    }
    m_codigo = r.codigo;
    m_texto = r.texto;
    if (r.codigo != CodigosErp::Feito)
        return;
    ++entradasGuardadas;
    if (r.chave) {
        chave = *r.chave;
    } else {
        const QDate d = QDate::fromString(data, QStringLiteral("dd-MM-yyyy"));
        chave = ChaveDocumento{static_cast<qint16>(d.isValid() ? d.year() : 0), tipo, serie, ++m_numeroEntrada};
    }
    flag = true;
}

void ErpGravador::UltimoErro(qint32& codigo, QString& texto) {
    registar(QStringLiteral("UltimoErro()"));
    codigo = m_codigo;
    texto = m_texto;
}

void ErpGravador::GravaDocumento(int modo, DocumentoComercial& documento, qint16& flag) {
    registar(QStringLiteral("GravaDocumento(%1)").arg(modo));
    flag = 1;
    m_falhas.verificar(QStringLiteral("GravaDocumento:excepcao"));
    for (const QString& falha : {QStringLiteral("GravaDocumento"), QStringLiteral("GravaDocumento:meio")})
        if (m_falhas.deveFalhar(falha)) {
            m_codigo = CodigosErp::Recusado;
            m_texto = FalhasSimuladas::texto(falha);
            return;
        }
    ResultadoGravacao r;
    if (!resultadosGravacao.empty()) {
        r = resultadosGravacao.front();
        resultadosGravacao.pop_front();
    }
    flag = r.flag;
    if (r.flag != 0) {
        m_codigo = r.codigo;
        m_texto = r.texto;
        return;
    }
    m_codigo = CodigosErp::Feito;
    m_texto.clear();
    ++documentosGravados;
    if (auto* doc = dynamic_cast<DocumentoGravado*>(&documento))
        doc->cabecalho().definirInterno(QStringLiteral("Numero"), ++m_numeroDocumento);
}

void ErpGravador::AnulaDocumento(int p1, ChaveDocumento& chave, EstadoOperacao& estado, qint16& flag) {
    registar(QStringLiteral("AnulaDocumento(%1,%2)").arg(p1).arg(textoChave(chave)));
    anulacoes.push_back(chave);
    flag = 1;
    m_falhas.verificar(QStringLiteral("AnulaDocumento:excepcao"));
    estado = EstadoOperacao{CodigosErp::Feito, QString()};
    bool simulada = false;
    for (const QString& falha : {QStringLiteral("AnulaDocumento"), QStringLiteral("AnulaDocumento:meio")})
        if (!simulada && m_falhas.deveFalhar(falha)) {
            estado = EstadoOperacao{CodigosErp::Recusado, FalhasSimuladas::texto(falha)};
            simulada = true;
        }
    if (!simulada && !resultadosAnulacao.empty()) {
        estado = resultadosAnulacao.front();
        resultadosAnulacao.pop_front();
    }
    m_codigo = estado.Codigo;
    m_texto = estado.TextoEstado;
    flag = estado.Codigo == CodigosErp::Feito ? 0 : 1;
    if (flag == 0)
        anuladas.push_back(chave);
}

QStringList ErpGravador::chamadasDe(const QStringList& prefixos) const {
    QStringList r;
    for (const QString& c : chamadas)
        if (std::any_of(prefixos.cbegin(), prefixos.cend(), [&](const QString& p) { return c.startsWith(p); }))
            r << c;
    return r;
}

void ErpGravador::falharEm(const QString& operacao, int ocorrencia) {
    m_falhas.armar(operacao, ocorrencia);
}
