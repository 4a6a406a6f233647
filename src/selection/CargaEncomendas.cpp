#include "CargaEncomendas.h"

#include "ColunasGrelha.h"
#include "Erro.h"
#include "Moeda.h"

#include <QDateTime>

size_t HashChaveLinha::operator()(const ChaveLinhaEncomenda& c) const noexcept {
    size_t h = qHash(c.tipo);
    for (qint64 v : {c.serie, c.numero, c.ano, c.linha})
        h = h * 1000003u ^ std::hash<qint64>()(v);
    return h;
}

namespace {

qint64 inteiro(const QVariant& v) {
    bool ok = false;
    const qint64 n = v.toLongLong(&ok);
    if (ok)
        return n;
    return static_cast<qint64>(v.toDouble());
}

QVariant moeda(const QVariant& v) {
    const auto m = Moeda::deVariant(v);
    return m ? QVariant::fromValue(*m) : v;
}

} // namespace

ChavesLinhas chavesNaGrelha(const ModeloGrelha& m, int linhas) {
    ChavesLinhas r;
    r.reserve(static_cast<size_t>(linhas));
    for (int i = 0; i < linhas && i < m.numeroLinhas(); ++i) {
        if (m.valor(i, Col::Artigo).toString().isEmpty())
            continue;
        r.insert({m.valor(i, Col::TpDoc).toString(), inteiro(m.valor(i, Col::Serie)), inteiro(m.valor(i, Col::NoDoc)),
                  inteiro(m.valor(i, Col::AnoEnc)), inteiro(m.valor(i, Col::LinhaEnc))});
    }
    return r;
}

QString dataDdMmAaaa(const QVariant& v) {
    if (v.isNull() || !v.isValid())
        return QString();
    switch (v.metaType().id()) {
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd-MM-yyyy"));
    case QMetaType::QDateTime:
        return v.toDateTime().date().toString(QStringLiteral("dd-MM-yyyy"));
    default:
        break;
    }
    // ISO text ("2024-03-05 14:30:00"): the date is its first ten characters.
    const QString t = v.toString().trimmed();
    const QDate d = QDate::fromString(t.left(10), QStringLiteral("yyyy-MM-dd"));
    if (d.isValid())
        return d.toString(QStringLiteral("dd-MM-yyyy"));
    const QDateTime dt = QDateTime::fromString(t, Qt::ISODate);
    return dt.isValid() ? dt.date().toString(QStringLiteral("dd-MM-yyyy")) : t;
}

QString textoSimples(const QVariant& v) {
    if (v.metaType().id() == QMetaType::Double) {
        const double d = v.toDouble();
        if (d == static_cast<double>(static_cast<qint64>(d)))
            return QString::number(static_cast<qint64>(d));
    }
    return v.toString();
}

std::vector<LinhaGrelha> lerLinhasEncomenda(RecordSet& rs, ChavesLinhas& existentes,
                                            const std::function<void()>& progresso) {
    // Field positions looked up once, by name without regard to case.
    auto indice = [&rs](const char* nome) {
        const int i = rs.indiceCampo(QString::fromLatin1(nome));
        if (i < 0)
            throw Erro(Erro::Sql, QStringLiteral("O campo \"%1\" não existe.").arg(QString::fromLatin1(nome)));
        return i;
    };
    const int iArtigo = indice("Artigo"), iDescr = indice("Descr"), iData = indice("Data"),
              iTpDocum = indice("TpDocum"), iSerie = indice("Serie"), iNNumDoc = indice("NNumDoc"),
              iVNumDoc = indice("VNumDoc"), iPrUnit = indice("PrUnit"), iQtdOrig = indice("QtdOrig"),
              iQuant = indice("Quant"), iNumLinha = indice("NumLinha"), iAno = indice("Ano"),
              iTerceiro = indice("Terceiro"), iDataDoc = indice("DataDoc");

    std::vector<LinhaGrelha> linhas;
    const QVariant zero = QVariant::fromValue(Moeda());
    const QVariant falso(false);
    int lidas = 0;
    for (; !rs.fim(); rs.seguinte()) {
        if (progresso && (++lidas & 4095) == 0)
            progresso();
        const QVariant tipo = rs.valor(iTpDocum), serie = rs.valor(iSerie), numero = rs.valor(iNNumDoc),
                       ano = rs.valor(iAno), numLinha = rs.valor(iNumLinha);
        ChaveLinhaEncomenda chave{tipo.toString(), inteiro(serie), inteiro(numero), inteiro(ano), inteiro(numLinha)};
        // A line already in the grid is not written twice: it could then be
        // satisfied twice in one document.
        if (!existentes.insert(std::move(chave)).second)
            continue;
        LinhaGrelha l(Col::Total);
        l[Col::Artigo] = rs.valor(iArtigo);
        l[Col::Designacao] = rs.valor(iDescr);
        l[Col::DataEnt] = dataDdMmAaaa(rs.valor(iData));
        l[Col::NumEnc] = textoSimples(tipo) + QLatin1Char('/') + textoSimples(serie) + QLatin1Char('/') + textoSimples(numero);
        l[Col::Req] = rs.valor(iVNumDoc);
        l[Col::Preco] = moeda(rs.valor(iPrUnit));
        l[Col::QtdO] = moeda(rs.valor(iQtdOrig));
        l[Col::QtdP] = moeda(rs.valor(iQuant));
        l[Col::Qtd] = zero;
        l[Col::TpDoc] = tipo;
        l[Col::Serie] = serie;
        l[Col::NoDoc] = numero;
        l[Col::LinhaEnc] = numLinha;
        l[Col::AnoEnc] = ano;
        l[Col::Terceiro] = rs.valor(iTerceiro);
        l[Col::AN] = falso;
        l[Col::DataDoc] = dataDdMmAaaa(rs.valor(iDataDoc));
        linhas.push_back(std::move(l));
    }
    return linhas;
}

int linhasDaGrelha(int linhasActuais, int linhaSeguinte) {
    // After each line written: when the next row is the grid's last, a row is added.
    return std::max(linhasActuais, linhaSeguinte + 2);
}
