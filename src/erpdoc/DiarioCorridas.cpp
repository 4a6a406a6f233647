#include "DiarioCorridas.h"

#include "Erro.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QUuid>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace FicheirosEstado;

namespace {

const QString Escrever = QStringLiteral("escrever no diário das execuções");

QByteArray soma(const QByteArray& json) {
    return QCryptographicHash::hash(json, QCryptographicHash::Sha256).toHex().left(16);
}

/// "<length> <check> <JSON>\n"
QByteArray registo(const QByteArray& json) {
    return QByteArray::number(json.size()) + ' ' + soma(json) + ' ' + json + '\n';
}

QByteArray registo(const QJsonObject& o) {
    return registo(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

/// Appends `t` as a JSON string. Printable ASCII (the codes and amounts of
/// nearly every line) is written here; any other text as QJsonDocument
/// writes it.
void textoJson(QByteArray& destino, const QString& t) {
    const bool simples =
        std::all_of(t.cbegin(), t.cend(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() < 0x7f; });
    if (!simples) {
        const QByteArray lista = QJsonDocument(QJsonArray{t}).toJson(QJsonDocument::Compact);
        destino += lista.sliced(1, lista.size() - 2);
        return;
    }
    destino += '"';
    for (const QChar c : t) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            destino += '\\';
        destino += static_cast<char>(c.unicode());
    }
    destino += '"';
}

/// The lines of an "inicio" record as a JSON array, written straight as
/// text: a Guia of a thousand lines would otherwise build a thousand JSON
/// objects before the one sync it waits for.
QByteArray linhasJson(const std::vector<LinhaDiario>& linhas) {
    QByteArray r;
    r.reserve(static_cast<qsizetype>(linhas.size()) * 40 + 2);
    r += '[';
    for (const LinhaDiario& l : linhas) {
        if (r.size() > 1)
            r += ',';
        r += "{\"artigo\":";
        textoJson(r, l.artigo);
        r += ",\"qtd\":";
        textoJson(r, l.quantidade.paraTextoC());
        r += '}';
    }
    r += ']';
    return r;
}

/// One record that checked out, with its line as it stands in the file.
struct Lido {
    QByteArray linha;
    QJsonObject objecto;
    QString id() const { return objecto.value(QLatin1String("id")).toString(); }
    QString tipo() const { return objecto.value(QLatin1String("t")).toString(); }
};

std::optional<QJsonObject> verificar(const QByteArray& linha) {
    const qsizetype a = linha.indexOf(' ');
    const qsizetype b = a < 0 ? -1 : linha.indexOf(' ', a + 1);
    if (b < 0)
        return std::nullopt;
    bool ok = false;
    const qsizetype tamanho = linha.first(a).toLongLong(&ok);
    const QByteArray json = linha.sliced(b + 1);
    if (!ok || tamanho != json.size() || linha.sliced(a + 1, b - a - 1) != soma(json))
        return std::nullopt;
    QJsonParseError erro;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &erro);
    if (erro.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

/// The records that check out, in file order, and whether anything else was
/// found (a torn or damaged record).
struct Conteudo {
    std::vector<Lido> lidos;
    bool danificado = false;
};

Conteudo ler(const QByteArray& dados) {
    Conteudo c;
    qsizetype inicio = 0;
    while (inicio < dados.size()) {
        const qsizetype fim = dados.indexOf('\n', inicio);
        // A last line without its line feed was torn while it was written.
        if (fim < 0) {
            c.danificado = true;
            break;
        }
        const QByteArray linha = dados.sliced(inicio, fim - inicio);
        if (const auto o = verificar(linha); o && !o->value(QLatin1String("id")).toString().isEmpty())
            c.lidos.push_back({linha + '\n', *o});
        else
            c.danificado = true;
        inicio = fim + 1;
    }
    return c;
}

QJsonObject deChave(const ChaveDocumento& c) {
    return {{QStringLiteral("tipo"), c.TipoDoc},
            {QStringLiteral("serie"), c.Serie},
            {QStringLiteral("numero"), c.Numero},
            {QStringLiteral("ano"), c.Ano}};
}

std::optional<ChaveDocumento> paraChave(const QJsonValue& v) {
    if (!v.isObject())
        return std::nullopt;
    const QJsonObject o = v.toObject();
    ChaveDocumento c;
    c.TipoDoc = o.value(QLatin1String("tipo")).toString();
    c.Serie = static_cast<qint16>(o.value(QLatin1String("serie")).toInt());
    c.Numero = o.value(QLatin1String("numero")).toInt();
    c.Ano = static_cast<qint16>(o.value(QLatin1String("ano")).toInt());
    return c;
}

const QHash<FimCorrida::Tipo, QString>& nomesFim() {
    static const QHash<FimCorrida::Tipo, QString> nomes{
        {FimCorrida::Tipo::GuiaFeita, QStringLiteral("guia")},
        {FimCorrida::Tipo::EntradaAnulada, QStringLiteral("anulada")},
        {FimCorrida::Tipo::EntradaListada, QStringLiteral("listada")},
        {FimCorrida::Tipo::NadaGuardado, QStringLiteral("nada")},
        {FimCorrida::Tipo::GuiaAnulada, QStringLiteral("guia-anulada")},
    };
    return nomes;
}

InicioCorrida paraInicio(const QJsonObject& o) {
    InicioCorrida i;
    i.id = o.value(QLatin1String("id")).toString();
    i.hora = QDateTime::fromString(o.value(QLatin1String("hora")).toString(), Qt::ISODateWithMs);
    i.utilizador = o.value(QLatin1String("utilizador")).toString();
    i.posto = o.value(QLatin1String("posto")).toString();
    i.cliente = o.value(QLatin1String("cliente")).toString();
    i.tipoEntrada = o.value(QLatin1String("tipo")).toString();
    i.serieEntrada = static_cast<qint16>(o.value(QLatin1String("serie")).toInt());
    i.anoEntrada = static_cast<qint16>(o.value(QLatin1String("ano")).toInt());
    i.maiorNumero = o.value(QLatin1String("maior")).toInt();
    for (const QJsonValue& v : o.value(QLatin1String("linhas")).toArray()) {
        const QJsonObject l = v.toObject();
        i.linhas.push_back({l.value(QLatin1String("artigo")).toString(),
                            Moeda::deTextoC(l.value(QLatin1String("qtd")).toString()).value_or(Moeda())});
    }
    const QJsonObject anular = o.value(QLatin1String("anular")).toObject();
    if (const auto guia = paraChave(anular.value(QLatin1String("guia"))))
        i.anulacao = AnulacaoDiario{*guia, paraChave(anular.value(QLatin1String("entrada"))),
                                    anular.value(QLatin1String("motivo")).toString()};
    return i;
}

std::vector<CorridaDiario> paraCorridas(const std::vector<Lido>& lidos) {
    std::vector<CorridaDiario> corridas;
    QHash<QString, size_t> indice;
    for (const Lido& l : lidos) {
        const QString tipo = l.tipo();
        if (tipo == QLatin1String("inicio")) {
            if (indice.contains(l.id()))
                continue;
            indice.insert(l.id(), corridas.size());
            corridas.push_back({paraInicio(l.objecto), std::nullopt, std::nullopt});
            continue;
        }
        // Records of a run whose start is not in the file have nothing to belong to.
        const auto i = indice.constFind(l.id());
        if (i == indice.cend())
            continue;
        CorridaDiario& c = corridas[*i];
        if (tipo == QLatin1String("entrada")) {
            c.entrada = paraChave(l.objecto.value(QLatin1String("chave")));
        } else if (tipo == QLatin1String("fim")) {
            FimCorrida f;
            f.tipo =
                nomesFim().key(l.objecto.value(QLatin1String("desfecho")).toString(), FimCorrida::Tipo::NadaGuardado);
            f.entrada = paraChave(l.objecto.value(QLatin1String("entrada")));
            f.guia = paraChave(l.objecto.value(QLatin1String("guia")));
            c.fim = f;
            c.recuperada = l.objecto.value(QLatin1String("recuperada")).toBool();
        }
    }
    return corridas;
}

} // namespace

DiarioCorridas::DiarioCorridas(const QString& posto, const QString& identidadeBase, qint64 limiteBytes)
    : m_posto(posto), m_limite(limiteBytes) {
    const QString pasta = criarPasta();
    m_caminho = pasta + QLatin1Char('/') + nomeFicheiro(posto, identidadeBase);
    m_trinco = abrir(m_caminho + QStringLiteral(".lock"), O_RDWR | O_CREAT, QStringLiteral("abrir o trinco do diário"));
    int r = 0;
    do
        r = ::flock(m_trinco.fd(), LOCK_EX | LOCK_NB);
    while (r != 0 && errno == EINTR);
    if (r != 0) {
        if (errno == EWOULDBLOCK)
            throw Erro(Erro::Ficheiro,
                       QStringLiteral("Já está aberto outro Orlavane no posto \"%1\" com esta base de dados. "
                                      "Feche-o antes de abrir este.")
                           .arg(posto));
        falhar(QStringLiteral("trancar o diário"), m_caminho, errno);
    }
    const bool novo = !QFileInfo::exists(m_caminho);
    abrirParaAcrescentar();
    if (novo) {
        sincronizarPasta(pasta);
        return;
    }
    // Runs ended in an earlier life and torn records go: appending after a
    // torn record would join the new record to it.
    const Conteudo c = ler(lerTudo(m_caminho, QStringLiteral("ler o diário das execuções")));
    const auto todas = paraCorridas(c.lidos);
    for (const CorridaDiario& x : todas)
        if (!x.fim)
            m_abertas.insert(x.inicio.id);
    if (!c.danificado && std::none_of(todas.begin(), todas.end(), [](const CorridaDiario& x) { return x.fim; }))
        return;
    // The usual start: every run ended. Nothing to keep, so nothing to sync.
    if (m_abertas.isEmpty())
        esvaziar();
    else
        compactar();
}

DiarioCorridas::~DiarioCorridas() = default;

QString DiarioCorridas::nomeFicheiro(const QString& posto, const QString& identidadeBase) {
    const QByteArray hash = QCryptographicHash::hash(identidadeBase.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("diario-%1-%2")
        .arg(QString::fromLatin1(posto.toUtf8().toPercentEncoding()), QString::fromLatin1(hash.left(12)));
}

void DiarioCorridas::abrirParaAcrescentar() {
    m_ficheiro = abrir(m_caminho, O_WRONLY | O_CREAT | O_APPEND, QStringLiteral("abrir o diário das execuções"));
}

void DiarioCorridas::acrescentar(const QByteArray& r, bool sincronizar) {
    struct stat antes {};
    if (::fstat(m_ficheiro.fd(), &antes) != 0)
        falhar(Escrever, m_caminho, errno);
    try {
        escreverTudo(m_ficheiro, r, Escrever, m_caminho);
    } catch (const Erro&) {
        // A record written in part (a full disk) is cut off again, so that the
        // next one does not join it.
        if (::ftruncate(m_ficheiro.fd(), antes.st_size) != 0) {
            // Nothing more to do: the torn record is ignored when read.
        }
        throw;
    }
    if (sincronizar && ::fdatasync(m_ficheiro.fd()) != 0)
        falhar(QStringLiteral("gravar no disco o diário das execuções"), m_caminho, errno);
}

QString DiarioCorridas::iniciar(InicioCorrida inicio) {
    if (inicio.id.isEmpty())
        inicio.id = QUuid::createUuid().toString(QUuid::WithoutBraces);
    if (!inicio.hora.isValid())
        inicio.hora = QDateTime::currentDateTimeUtc();
    QJsonObject o{{QStringLiteral("t"), QStringLiteral("inicio")},
                  {QStringLiteral("id"), inicio.id},
                  {QStringLiteral("hora"), inicio.hora.toString(Qt::ISODateWithMs)},
                  {QStringLiteral("utilizador"), inicio.utilizador},
                  {QStringLiteral("posto"), inicio.posto},
                  {QStringLiteral("cliente"), inicio.cliente},
                  {QStringLiteral("tipo"), inicio.tipoEntrada},
                  {QStringLiteral("serie"), inicio.serieEntrada},
                  {QStringLiteral("ano"), inicio.anoEntrada},
                  {QStringLiteral("maior"), inicio.maiorNumero}};
    if (inicio.anulacao) {
        QJsonObject anular{{QStringLiteral("guia"), deChave(inicio.anulacao->guia)},
                           {QStringLiteral("motivo"), inicio.anulacao->motivo}};
        if (inicio.anulacao->entrada)
            anular.insert(QStringLiteral("entrada"), deChave(*inicio.anulacao->entrada));
        o.insert(QStringLiteral("anular"), anular);
    }
    // The object's text with the lines added as its last member.
    QByteArray json = QJsonDocument(o).toJson(QJsonDocument::Compact);
    json.chop(1);
    json += ",\"linhas\":" + linhasJson(inicio.linhas) + '}';
    // The one sync of a run: this record must be on the disk before the
    // entry can be stored, or a run cut short could leave an entry that no
    // record names. The run counts as open from before the write: a record
    // written whose sync failed is in the file all the same.
    m_abertas.insert(inicio.id);
    acrescentar(registo(json), true);
    return inicio.id;
}

void DiarioCorridas::entradaGuardada(const QString& id, const ChaveDocumento& chave) {
    // No sync: if this record is lost, recovery finds the entry in the
    // database from the "inicio" record (this workstation's entry of that
    // type, series and year numbered above the highest number read before
    // the run, with the run's lines).
    acrescentar(registo({{QStringLiteral("t"), QStringLiteral("entrada")},
                         {QStringLiteral("id"), id},
                         {QStringLiteral("chave"), deChave(chave)}}),
                false);
}

void DiarioCorridas::terminar(const QString& id, const FimCorrida& fim, bool recuperada) {
    QJsonObject o{{QStringLiteral("t"), QStringLiteral("fim")},
                  {QStringLiteral("id"), id},
                  {QStringLiteral("desfecho"), nomesFim().value(fim.tipo)}};
    if (recuperada)
        o.insert(QStringLiteral("recuperada"), true);
    if (fim.entrada)
        o.insert(QStringLiteral("entrada"), deChave(*fim.entrada));
    if (fim.guia)
        o.insert(QStringLiteral("guia"), deChave(*fim.guia));
    // No sync: if this record is lost, recovery reads the outcome back from
    // the database (a Guia naming the entry, the entry annulled or not, no
    // entry at all) and comes to the same end. The next run's synced
    // "inicio" record takes this one to the disk with it.
    acrescentar(registo(o), false);
    m_abertas.remove(id);
    struct stat s {};
    if (::fstat(m_ficheiro.fd(), &s) != 0 || s.st_size <= m_limite)
        return;
    if (m_abertas.isEmpty())
        esvaziar();
    else
        compactar();
}

void DiarioCorridas::esvaziar() {
    if (::ftruncate(m_ficheiro.fd(), 0) != 0)
        falhar(QStringLiteral("esvaziar o diário das execuções"), m_caminho, errno);
}

std::vector<CorridaDiario> DiarioCorridas::corridas() const {
    return lerFicheiro(m_caminho);
}

std::vector<CorridaDiario> DiarioCorridas::lerFicheiro(const QString& caminho) {
    return paraCorridas(ler(lerTudo(caminho, QStringLiteral("ler o diário das execuções"))).lidos);
}

std::vector<CorridaDiario> DiarioCorridas::porTerminar() const {
    std::vector<CorridaDiario> r;
    for (CorridaDiario& c : corridas())
        if (!c.fim)
            r.push_back(std::move(c));
    return r;
}

void DiarioCorridas::compactar() {
    const Conteudo c = ler(lerTudo(m_caminho, QStringLiteral("ler o diário das execuções")));
    QSet<QString> abertas;
    for (const CorridaDiario& x : paraCorridas(c.lidos))
        if (!x.fim)
            abertas.insert(x.inicio.id);
    m_abertas = abertas;
    QByteArray novo;
    for (const Lido& l : c.lidos)
        if (abertas.contains(l.id()))
            novo += l.linha;

    const QString temporario = m_caminho + QStringLiteral(".novo");
    {
        // A copy left by a compaction cut short goes first (a link goes, not
        // what it points at); the new one is then this object's own file,
        // never one that was there.
        if (::unlink(QFile::encodeName(temporario).constData()) != 0 && errno != ENOENT)
            falhar(QStringLiteral("apagar"), temporario, errno);
        const Descritor d = abrir(temporario, O_WRONLY | O_CREAT | O_EXCL, QStringLiteral("criar"));
        escreverTudo(d, novo, QStringLiteral("escrever"), temporario);
        if (::fsync(d.fd()) != 0)
            falhar(QStringLiteral("gravar no disco"), temporario, errno);
    }
    if (::rename(QFile::encodeName(temporario).constData(), QFile::encodeName(m_caminho).constData()) != 0)
        falhar(QStringLiteral("substituir o diário das execuções"), m_caminho, errno);
    sincronizarPasta(QFileInfo(m_caminho).absolutePath());
    abrirParaAcrescentar();
}
