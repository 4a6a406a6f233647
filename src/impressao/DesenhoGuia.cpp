#include "DesenhoGuia.h"

#include "CodigoQr.h"
#include "Erro.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>

#include <array>

namespace {

// The page in tenths of a millimetre: A4, 15 mm margins.
constexpr double Largura = 2100;
constexpr double Altura = 2970;
constexpr double Margem = 150;
constexpr double Direita = Largura - Margem;
constexpr double Util = Direita - Margem;
/// The footer's band at the foot of every page.
constexpr double Rodape = 70;
constexpr double Fundo = Altura - Margem - Rodape;
/// The QR code's side: 30 mm, the smallest the tax authority takes.
constexpr double LadoQr = 300;
const QColor Cinzento(0x55, 0x55, 0x55);

/// A font sized in tenths of a millimetre (`pontos` typographic points).
QFont fonte(double pontos, bool negrito = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setPixelSize(qRound(pontos * 254.0 / 72.0));
    f.setBold(negrito);
    return f;
}

/// A text laid out in a width: broken at words, or inside a word wider than
/// the width, on at most `maximo` lines (what is left over is not drawn).
class Paragrafo final {
public:
    Paragrafo(const QString& texto, const QFont& f, double largura, int maximo = 3,
              Qt::Alignment alinhamento = Qt::AlignLeft)
        : m_layout(std::make_unique<QTextLayout>(textoImprimivel(texto), f)) {
        QTextOption opcao(alinhamento);
        opcao.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        m_layout->setTextOption(opcao);
        m_layout->setCacheEnabled(true);
        const double entrelinha = QFontMetricsF(f).lineSpacing();
        m_layout->beginLayout();
        for (int n = 0; n < maximo; ++n) {
            QTextLine linha = m_layout->createLine();
            if (!linha.isValid())
                break;
            linha.setLineWidth(largura);
            linha.setPosition(QPointF(0, m_altura));
            m_altura += entrelinha;
        }
        m_layout->endLayout();
        // An empty text still takes its line.
        if (m_altura == 0)
            m_altura = entrelinha;
    }
    double altura() const { return m_altura; }
    void desenhar(QPainter& p, QPointF origem) const { m_layout->draw(&p, origem); }

private:
    std::unique_ptr<QTextLayout> m_layout;
    double m_altura = 0;
};

/// Paragraphs one under the other, a small gap between them.
class Coluna final {
public:
    Coluna(double x, double largura) : m_x(x), m_largura(largura) {}
    Coluna& rotulo(const QString& texto) { return juntar(texto, fonte(7, true), 1, Cinzento, 2); }
    Coluna& valor(const QString& texto, bool negrito = false, int maximo = 3) {
        return juntar(texto, fonte(9, negrito), maximo, Qt::black, 14);
    }
    Coluna& juntar(const QString& texto, const QFont& f, int maximo, const QColor& cor, double depois) {
        m_partes.push_back({std::make_unique<Paragrafo>(texto, f, m_largura, maximo), cor, m_altura});
        m_altura += m_partes.back().texto->altura() + depois;
        return *this;
    }
    double altura() const { return m_altura; }
    void desenhar(QPainter& p, double y) const {
        for (const Parte& parte : m_partes) {
            p.setPen(parte.cor);
            parte.texto->desenhar(p, QPointF(m_x, y + parte.y));
        }
    }

private:
    struct Parte {
        std::unique_ptr<Paragrafo> texto;
        QColor cor;
        double y;
    };
    double m_x, m_largura;
    std::vector<Parte> m_partes;
    double m_altura = 0;
};

/// The columns of the lines' table: x and width.
struct ColunaTabela {
    double x, largura;
};
constexpr ColunaTabela ColArtigo{Margem, 280};
constexpr ColunaTabela ColDescricao{Margem + 300, 680};
constexpr ColunaTabela ColQuantidade{Margem + 1000, 220};
constexpr ColunaTabela ColUnidade{Margem + 1240, 90};
constexpr ColunaTabela ColOrigem{Margem + 1350, Util - 1350};
constexpr double FolgaLinha = 14;

QString quantidade(Moeda q) {
    return q.paraTexto(u",", 2);
}

/// One line of the table, laid out.
struct LinhaDesenhada {
    std::array<std::unique_ptr<Paragrafo>, 5> celulas;
    double altura = 0;
};

} // namespace

QString nomeCopia(int indice) {
    static const std::array<QString, DesenhoGuia::MaximoCopias> nomes{
        QStringLiteral("Original"),      QStringLiteral("Duplicado"),     QStringLiteral("Triplicado"),
        QStringLiteral("Quadruplicado"), QStringLiteral("Quintuplicado"), QStringLiteral("Sextuplicado"),
        QStringLiteral("Septuplicado"),  QStringLiteral("Octuplicado"),   QStringLiteral("Nonuplicado")};
    if (indice < 0 || indice >= DesenhoGuia::MaximoCopias)
        return QStringLiteral("Cópia %1").arg(indice + 1);
    return nomes[static_cast<size_t>(indice)];
}

struct DesenhoGuia::Dados {
    GuiaImpressa guia;
    Coluna empresa{Margem, 1050};
    Coluna documento{Margem + 1180, Util - 1180 - 50};
    Coluna transporte{Margem, 840};
    Coluna cliente{Margem + 960, Util - 960};
    double alturaCabecalho = 0; ///< the company and the document's box
    double alturaBlocos = 0;    ///< the transport and the client
    std::vector<LinhaDesenhada> linhas;
    std::unique_ptr<Paragrafo> motivo;
    CodigoQr::Matriz qr;
    /// The first line of each page, and one past the last line of the last.
    std::vector<size_t> inicios;

    double topoTabela() const { return Margem + alturaCabecalho + 50 + alturaBlocos + 20 + 60 + 20; }
    double topoLinhas() const { return topoTabela() + 60; }
    double alturaFecho() const { return 40 + 60 + 30 + (motivo ? motivo->altura() + 30 : 0) + 60 + LadoQr + 20; }
    int paginas() const { return static_cast<int>(inicios.size()) - 1; }

    void paginar();
    void desenharPagina(QPainter& p, int pagina, int copia) const;
    void desenharCabecalho(QPainter& p, int copia) const;
    void desenharFecho(QPainter& p, double y) const;
    void desenharRodape(QPainter& p, int pagina, int copia) const;
    void desenharAnulado(QPainter& p) const;
};

DesenhoGuia::DesenhoGuia(GuiaImpressa guia) : d(std::make_unique<Dados>()) {
    d->guia = std::move(guia);
    const GuiaImpressa& g = d->guia;

    d->empresa.juntar(g.empresa.nome, fonte(13, true), 2, Qt::black, 10);
    if (!g.empresa.contribuinte.isEmpty())
        d->empresa.juntar(QStringLiteral("NIF: ") + g.empresa.contribuinte, fonte(8.5), 1, Qt::black, 4);
    d->empresa.juntar(g.empresa.moradaCompleta(), fonte(8.5), 2, Qt::black, 0);
    d->documento.juntar(g.nomeTipo, fonte(11, true), 2, Qt::black, 6)
        .juntar(g.identificacao(), fonte(12, true), 1, Qt::black, 6)
        .juntar(QStringLiteral("Data: ") + g.data.toString(QStringLiteral("dd-MM-yyyy")), fonte(9), 1, Qt::black, 6);
    // The copy's name and the marks are drawn for each copy; their room is
    // kept here, the same for every copy of one print.
    const double linhaCopia = QFontMetricsF(fonte(10, true)).lineSpacing();
    const int marcas = 1 + (g.impressoesAnteriores > 0 ? 1 : 0) + (g.anulada ? 1 : 0);
    d->alturaCabecalho = qMax(d->empresa.altura(), 30 + d->documento.altura() + marcas * linhaCopia + 30);

    const QString inicio = g.gravadaEm ? g.gravadaEm->toString(QStringLiteral("dd-MM-yyyy HH:mm"))
                                       : g.data.toString(QStringLiteral("dd-MM-yyyy"));
    d->transporte.rotulo(QStringLiteral("LOCAL DE CARGA"))
        .valor(g.localCarga)
        .rotulo(QStringLiteral("LOCAL DE DESCARGA"))
        .valor(g.localDescarga)
        .rotulo(QStringLiteral("INÍCIO DO TRANSPORTE"))
        .valor(inicio);
    if (!g.matricula.trimmed().isEmpty())
        d->transporte.rotulo(QStringLiteral("MATRÍCULA")).valor(g.matricula, false, 1);
    d->cliente.rotulo(QStringLiteral("CLIENTE"))
        .valor(g.cliente.codigo, false, 1)
        .valor(g.cliente.nome, true, 4)
        .valor(QStringLiteral("NIF: ") + g.cliente.contribuinte, false, 1)
        .valor(g.cliente.moradaCompleta());
    d->alturaBlocos = qMax(d->transporte.altura(), d->cliente.altura());

    d->linhas.reserve(g.linhas.size());
    const QFont corpo = fonte(9), pequena = fonte(8);
    for (const LinhaImpressa& l : g.linhas) {
        LinhaDesenhada ld;
        ld.celulas[0] = std::make_unique<Paragrafo>(l.artigo, corpo, ColArtigo.largura, 2);
        ld.celulas[1] = std::make_unique<Paragrafo>(l.descricao, corpo, ColDescricao.largura, 4);
        ld.celulas[2] =
            std::make_unique<Paragrafo>(quantidade(l.quantidade), corpo, ColQuantidade.largura, 1, Qt::AlignRight);
        ld.celulas[3] = std::make_unique<Paragrafo>(l.unidade, corpo, ColUnidade.largura, 1);
        ld.celulas[4] =
            std::make_unique<Paragrafo>(l.origem ? l.origem->texto() : QString(), pequena, ColOrigem.largura, 2);
        for (const auto& c : ld.celulas)
            ld.altura = qMax(ld.altura, c->altura());
        ld.altura += FolgaLinha;
        d->linhas.push_back(std::move(ld));
    }
    if (g.anulada && !g.motivoAnulacao.trimmed().isEmpty())
        d->motivo = std::make_unique<Paragrafo>(QStringLiteral("Anulada: ") + g.motivoAnulacao, corpo, Util, 3);
    d->qr = CodigoQr::codificar(CodigoQr::texto(g).toUtf8());
    d->paginar();
}

DesenhoGuia::~DesenhoGuia() = default;

void DesenhoGuia::Dados::paginar() {
    inicios = {0};
    double y = topoLinhas();
    for (size_t i = 0; i < linhas.size(); ++i) {
        if (y + linhas[i].altura > Fundo && i != inicios.back()) {
            inicios.push_back(i);
            y = topoLinhas();
        }
        y += linhas[i].altura;
    }
    // The closing block goes under the last line, or on a page of its own.
    if (y + alturaFecho() > Fundo && !linhas.empty())
        inicios.push_back(linhas.size());
    inicios.push_back(linhas.size());
}

const GuiaImpressa& DesenhoGuia::guia() const {
    return d->guia;
}

int DesenhoGuia::paginasPorCopia() const {
    return d->paginas();
}

void DesenhoGuia::desenhar(QPagedPaintDevice& dispositivo, int copias) const {
    if (copias < 1 || copias > MaximoCopias)
        throw Erro(Erro::ForaDeIntervalo,
                   QStringLiteral("O número de cópias deve ser de 1 a %1 (pedidas %2).").arg(MaximoCopias).arg(copias));
    dispositivo.setPageLayout(
        QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter));
    QPainter p;
    if (!p.begin(&dispositivo))
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("Não foi possível começar a imprimir a guia %1.").arg(textoChave(d->guia.chave)));
    // Page coordinates from the paper's corner, whatever margins the device
    // keeps for itself.
    const int dpi = dispositivo.logicalDpiX();
    const QRect util = dispositivo.pageLayout().paintRectPixels(dpi);
    p.translate(-util.left(), -util.top());
    p.scale(dpi / 254.0, dispositivo.logicalDpiY() / 254.0);
    for (int copia = 0; copia < copias; ++copia)
        for (int pagina = 0; pagina < d->paginas(); ++pagina) {
            if ((copia > 0 || pagina > 0) && !dispositivo.newPage())
                throw Erro(Erro::Ficheiro, QStringLiteral("Não foi possível passar à página seguinte da guia %1.")
                                               .arg(textoChave(d->guia.chave)));
            d->desenharPagina(p, pagina, copia);
        }
    if (!p.end())
        throw Erro(Erro::Ficheiro,
                   QStringLiteral("Não foi possível acabar de imprimir a guia %1.").arg(textoChave(d->guia.chave)));
}

void DesenhoGuia::Dados::desenharPagina(QPainter& p, int pagina, int copia) const {
    desenharCabecalho(p, copia);

    const double yTabela = topoTabela();
    p.setPen(Qt::black);
    p.setFont(fonte(9, true));
    p.drawText(QPointF(Margem, yTabela - 20 - 12), QStringLiteral("ATCUD: ") + guia.atcud());
    p.setFont(fonte(7.5, true));
    p.setPen(Cinzento);
    const std::pair<ColunaTabela, QString> titulos[] = {{ColArtigo, QStringLiteral("Artigo")},
                                                        {ColDescricao, QStringLiteral("Descrição")},
                                                        {ColQuantidade, QStringLiteral("Quantidade")},
                                                        {ColUnidade, QStringLiteral("Un.")},
                                                        {ColOrigem, QStringLiteral("Encomenda satisfeita")}};
    for (const auto& [col, titulo] : titulos)
        p.drawText(QRectF(col.x, yTabela, col.largura, 50),
                   (col.x == ColQuantidade.x ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, titulo);
    p.setPen(QPen(Qt::black, 4));
    p.drawLine(QPointF(Margem, yTabela + 52), QPointF(Direita, yTabela + 52));

    double y = topoLinhas();
    const size_t fim = inicios[static_cast<size_t>(pagina) + 1];
    p.setPen(Qt::black);
    for (size_t i = inicios[static_cast<size_t>(pagina)]; i < fim; ++i) {
        const LinhaDesenhada& l = linhas[i];
        const ColunaTabela* cols[] = {&ColArtigo, &ColDescricao, &ColQuantidade, &ColUnidade, &ColOrigem};
        for (size_t c = 0; c < l.celulas.size(); ++c)
            l.celulas[c]->desenhar(p, QPointF(cols[c]->x, y + FolgaLinha / 2));
        y += l.altura;
        p.setPen(QPen(QColor(0xcc, 0xcc, 0xcc), 2));
        p.drawLine(QPointF(Margem, y), QPointF(Direita, y));
        p.setPen(Qt::black);
    }
    if (pagina == paginas() - 1)
        desenharFecho(p, y);
    desenharRodape(p, pagina, copia);
    if (guia.anulada)
        desenharAnulado(p);
}

void DesenhoGuia::Dados::desenharCabecalho(QPainter& p, int copia) const {
    empresa.desenhar(p, Margem);
    const double xCaixa = Margem + 1150;
    p.setPen(QPen(Qt::black, 4));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(xCaixa, Margem, Direita - xCaixa, alturaCabecalho));
    documento.desenhar(p, Margem + 30);
    const QFont f = fonte(10, true);
    const double entrelinha = QFontMetricsF(f).lineSpacing();
    const double yCopia = Margem + 30 + documento.altura();
    p.setFont(f);
    p.setPen(Qt::black);
    // The copy, then the marks: a reprint, an annulled Guia.
    std::vector<std::pair<QString, QColor>> marcas{{nomeCopia(copia), Qt::black}};
    if (guia.impressoesAnteriores > 0)
        marcas.emplace_back(QStringLiteral("2.ª via"), Qt::black);
    if (guia.anulada)
        marcas.emplace_back(QStringLiteral("ANULADO"), QColor(200, 0, 0));
    for (size_t i = 0; i < marcas.size(); ++i) {
        p.setPen(marcas[i].second);
        p.drawText(QRectF(Margem + 1180, yCopia + double(i) * entrelinha, 600, entrelinha),
                   Qt::AlignLeft | Qt::AlignVCenter, marcas[i].first);
    }

    const double yBlocos = Margem + alturaCabecalho + 50;
    transporte.desenhar(p, yBlocos);
    cliente.desenhar(p, yBlocos);
}

void DesenhoGuia::Dados::desenharFecho(QPainter& p, double y) const {
    y += 40;
    p.setPen(Qt::black);
    p.setFont(fonte(9, true));
    p.drawText(QRectF(ColDescricao.x, y, ColDescricao.largura, 60), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Quantidade total"));
    p.drawText(QRectF(ColQuantidade.x, y, ColQuantidade.largura, 60), Qt::AlignRight | Qt::AlignVCenter,
               quantidade(guia.quantidadeTotal()));
    y += 60 + 30;
    if (motivo) {
        motivo->desenhar(p, QPointF(Margem, y));
        y += motivo->altura() + 30;
    }
    // The ATCUD right above the QR code.
    p.setFont(fonte(9, true));
    p.drawText(QRectF(Margem, y, Util, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ATCUD: ") + guia.atcud());
    y += 60;
    // Four modules of white around the code; its modules drawn in runs, so
    // that no seam shows between two dark ones.
    const double modulo = LadoQr / (qr.lado + 8);
    p.fillRect(QRectF(Margem, y, LadoQr, LadoQr), Qt::white);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (int linha = 0; linha < qr.lado; ++linha)
        for (int coluna = 0; coluna < qr.lado;) {
            if (!qr.escuro(coluna, linha)) {
                ++coluna;
                continue;
            }
            const int primeira = coluna;
            while (coluna < qr.lado && qr.escuro(coluna, linha))
                ++coluna;
            p.fillRect(QRectF(Margem + (4 + primeira) * modulo, y + (4 + linha) * modulo, (coluna - primeira) * modulo,
                              modulo),
                       Qt::black);
        }
}

void DesenhoGuia::Dados::desenharRodape(QPainter& p, int pagina, int copia) const {
    const double y = Altura - Margem - Rodape + 20;
    p.setPen(QPen(Cinzento, 2));
    p.drawLine(QPointF(Margem, y), QPointF(Direita, y));
    p.setFont(fonte(7.5));
    p.drawText(QRectF(Margem, y + 5, Util / 2, Rodape - 20), Qt::AlignLeft | Qt::AlignVCenter,
               guia.identificacao() + QStringLiteral(" · ") + nomeCopia(copia) +
                   (guia.impressoesAnteriores > 0 ? QStringLiteral(" · 2.ª via") : QString()));
    p.drawText(QRectF(Margem + Util / 2, y + 5, Util / 2, Rodape - 20), Qt::AlignRight | Qt::AlignVCenter,
               QStringLiteral("Página %1 de %2").arg(pagina + 1).arg(paginas()));
}

void DesenhoGuia::Dados::desenharAnulado(QPainter& p) const {
    p.save();
    p.translate(Largura / 2, Altura / 2);
    p.rotate(-40);
    p.setFont(fonte(110, true));
    p.setPen(QColor(200, 0, 0, 110));
    p.drawText(QRectF(-Largura, -300, 2 * Largura, 600), Qt::AlignCenter, QStringLiteral("ANULADO"));
    p.restore();
}
