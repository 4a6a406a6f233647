// The window's controls, laid out at their design positions (twips, scaled
// to the screen's logical resolution).
#include "frmImportacao.h"

#include "CampoEntrada.h"
#include "Grelha.h"
#include "Guarda.h"
#include "ModeloEncomendas.h"
#include "RotuloElidido.h"
#include "Twips.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>

namespace {

/// The client area: the design's 15600 x 8190 twips and, below them, the
/// status strip.
constexpr int LarguraJanela = 15600;
constexpr int AlturaDesenho = 8190;
constexpr int AlturaEstado = 300;
constexpr int AlturaJanela = AlturaDesenho + AlturaEstado + 60;

void colocar(QWidget* w, int esquerda, int topo, int largura, int altura) {
    w->setGeometry(twipsParaPixeis(esquerda, w), twipsParaPixeis(topo, w, true), twipsParaPixeis(largura, w),
                   twipsParaPixeis(altura, w, true));
}

void pintarFundo(QWidget* w, const QColor& cor) {
    QPalette p = w->palette();
    p.setColor(QPalette::Window, cor);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

// The design's own fonts grow with the application's, as its twips do.
QFont verdana(const QFont& base) {
    QFont f = base;
    f.setFamilies({QStringLiteral("Verdana"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(8.25 * escalaDoDesenho(base));
    return f;
}

QFont letraTitulo(const QFont& base) {
    QFont titulo(QStringLiteral("Arial"));
    titulo.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    titulo.setPointSizeF(18 * escalaDoDesenho(base));
    titulo.setBold(true);
    titulo.setItalic(true);
    return titulo;
}

} // namespace

/// The style's picture at its small size only: an icon of every size would
/// decode each of them before the window first shows, and the buttons only
/// ever show the small one.
QIcon frmImportacao::imagem(QStyle::StandardPixmap qual) const {
    return QIcon(style()->standardPixmap(qual, nullptr, this));
}

std::function<void()> frmImportacao::accao(std::function<void()> f) {
    return [this, f = std::move(f)] {
        if (!m_importacao.aCarregar())
            m_guarda(f);
    };
}

void frmImportacao::criarControlos() {
    setWindowTitle(QStringLiteral("Satisfação Encomendas"));
    setWindowIcon(imagem(QStyle::SP_FileDialogDetailedView));
    setFixedSize(twipsParaPixeis(LarguraJanela, this), twipsParaPixeis(AlturaJanela, this, true));
    pintarFundo(this, corFundo());

    Frame4 = new QFrame(this);
    Frame4->setObjectName(QStringLiteral("Frame4"));
    Frame4->setFrameShape(QFrame::Box);
    Frame4->setFrameShadow(QFrame::Sunken);
    colocar(Frame4, 60, 0, 15495, 1020);
    pintarFundo(Frame4, corTitulo());

    Label3 = new QLabel(QStringLiteral("Satisfação de Encomendas"), Frame4);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setFont(letraTitulo(QApplication::font()));
    Label3->setAlignment(Qt::AlignCenter);
    {
        QPalette p = Label3->palette();
        p.setColor(QPalette::WindowText, QColor(57, 109, 165));
        Label3->setPalette(p);
    }
    colocar(Label3, 240, 285, 15075, 450);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::Box);
    Frame1->setFrameShadow(QFrame::Sunken);
    colocar(Frame1, 60, 975, 15495, 1950);
    pintarFundo(Frame1, corFundo());
    Frame1->setFont(verdana(Frame1->font()));

    struct Campo {
        int indice, esquerda, topo, largura;
        const char* dica;
    };
    // On-screen order, top to bottom: client, article, order number, requisition.
    const Campo campos[] = {
        {1, 1305, 225, 1590, "Código do Cliente."},
        {0, 1305, 660, 1590, "Código do Artigo."},
        {2, 1290, 1095, 1590, "Nº Encomenda"},
        {3, 1290, 1545, 3315, "Nº Encomenda"},
    };
    for (const Campo& c : campos) {
        auto* f = new CampoEntrada(*m_vigia, Frame1);
        f->setObjectName(QStringLiteral("campo%1").arg(c.indice));
        f->definirLimiteEscrita(15);
        f->setToolTip(QString::fromUtf8(c.dica));
        colocar(f, c.esquerda, c.topo, c.largura, 315);
        campo[static_cast<size_t>(c.indice)] = f;
        if (c.indice == 1) {
            btFx[1] = new QPushButton(QStringLiteral("..."), Frame1);
            btFx[1]->setToolTip(QStringLiteral("Lista de Clientes."));
            colocar(btFx[1], 2955, 225, 300, 315);
        } else if (c.indice == 0) {
            btFx[0] = new QPushButton(QStringLiteral("..."), Frame1);
            btFx[0]->setToolTip(QStringLiteral("Lista de Artigos."));
            colocar(btFx[0], 2955, 660, 300, 315);
        }
    }
    // A screen reader names the look-up buttons by what they list, not by "...".
    for (int i : {0, 1}) {
        btFx[static_cast<size_t>(i)]->setObjectName(QStringLiteral("btFx%1").arg(i));
        btFx[static_cast<size_t>(i)]->setAccessibleName(btFx[static_cast<size_t>(i)]->toolTip());
    }
    campo[2]->definirFormato(1);

    struct Rotulo {
        int indice, esquerda, topo, largura, altura;
        const char* texto;
    };
    const Rotulo rotulos[] = {
        {0, 165, 255, 705, 240, "Cliente"},      {2, 165, 705, 705, 240, "Artigo"},
        {3, 165, 1140, 1080, 240, "O.Produção"}, {1, 165, 1590, 1080, 240, "Requisição"},
        {4, 3465, 270, 5340, 240, "Cliente"},    {5, 3495, 720, 5340, 240, "Cliente"},
    };
    for (const Rotulo& r : rotulos) {
        // The client's and the article's names come from the database and may be long.
        QLabel* l = r.indice >= 4 ? new RotuloElidido(Frame1) : new QLabel(Frame1);
        l->setText(QString::fromUtf8(r.texto));
        l->setObjectName(QStringLiteral("Label2_%1").arg(r.indice));
        colocar(l, r.esquerda, r.topo, r.largura, r.altura);
        Label2[static_cast<size_t>(r.indice)] = l;
    }
    // The labels lead to their fields (no access keys of their own) and name them.
    const std::pair<int, int> rotuloCampo[] = {{0, 1}, {2, 0}, {3, 2}, {1, 3}};
    for (const auto& [rotulo, indice] : rotuloCampo) {
        Label2[static_cast<size_t>(rotulo)]->setBuddy(campo[static_cast<size_t>(indice)]);
        campo[static_cast<size_t>(indice)]->setAccessibleName(Label2[static_cast<size_t>(rotulo)]->text());
    }

    // The buttons are named for a screen reader by their caption without the
    // access key's "&" (the accessibility layer's own name, which follows
    // "&Marcar" / "&Desmarcar").
    auto botao = [this](const char* nome, QWidget* pai, const QString& texto, const QString& dica,
                        QStyle::StandardPixmap icone) {
        auto* b = new QPushButton(imagem(icone), texto, pai);
        b->setObjectName(QLatin1String(nome));
        b->setToolTip(dica);
        b->setAutoDefault(false);
        return b;
    };
    btCarga = botao("btCarga", Frame1, QStringLiteral("&Carregar"), QStringLiteral("Carregar informação."),
                    QStyle::SP_BrowserReload);
    colocar(btCarga, 13965, 210, 1200, 465);

    grelha = new Grelha(this);
    grelha->setObjectName(QStringLiteral("Grelha"));
    grelha->setAccessibleName(QStringLiteral("Linhas pendentes"));
    grelha->setModel(&m_importacao.linhas());
    colocar(grelha, 75, 3015, 15495, 4485);

    btCancelar = botao("btCancelar", this, QStringLiteral("Ca&ncelar"), QStringLiteral("Cancelar as operações."),
                       QStyle::SP_DialogCancelButton);
    colocar(btCancelar, 210, 7650, 1200, 465);
    btSair = botao("btSair", this, QStringLiteral("&Sair"), QStringLiteral("Abandonar a opção."),
                   QStyle::SP_DialogCloseButton);
    colocar(btSair, 1500, 7650, 1200, 465);
    btDocumentos = botao("btDocumentos", this, QStringLiteral("&Documentos"),
                         QStringLiteral("As guias deste posto: pré-visualizar, imprimir, guardar em PDF, anular."),
                         QStyle::SP_FileDialogContentsView);
    colocar(btDocumentos, 2790, 7650, 1500, 465);
    btEnc = botao("btEnc", this, QStringLiteral("&Guia"), QStringLiteral("Confirmar o Orçamento"),
                  QStyle::SP_DialogSaveButton);
    colocar(btEnc, 7890, 7650, 1200, 465);
    btMarcar = botao("btMarcar", this, QStringLiteral("&Marcar"), QStringLiteral("Confirmar o Orçamento"),
                     QStyle::SP_DialogApplyButton);
    colocar(btMarcar, 14355, 7605, 1200, 465);

    // The status line has a strip of its own along the bottom edge, clear of
    // every control; a text longer than the strip is cut and shown whole in
    // its tooltip.
    estado = new RotuloElidido(this);
    estado->setObjectName(QStringLiteral("estado"));
    estado->setFrameShape(QFrame::StyledPanel);
    estado->setFrameShadow(QFrame::Sunken);
    estado->setMargin(1);
    colocar(estado, 60, AlturaDesenho, 15495, AlturaEstado);

    // Tab order follows the screen: the four fields, the load, the grid, then the bottom buttons.
    setTabOrder(campo[1], btFx[1]);
    setTabOrder(btFx[1], campo[0]);
    setTabOrder(campo[0], btFx[0]);
    setTabOrder(btFx[0], campo[2]);
    setTabOrder(campo[2], campo[3]);
    setTabOrder(campo[3], btCarga);
    setTabOrder(btCarga, grelha);
    setTabOrder(grelha, btCancelar);
    setTabOrder(btCancelar, btSair);
    setTabOrder(btSair, btDocumentos);
    setTabOrder(btDocumentos, btEnc);
    setTabOrder(btEnc, btMarcar);
    // The look-up buttons are reached by the mouse or by F4 in their field.
    btFx[0]->setFocusPolicy(Qt::ClickFocus);
    btFx[1]->setFocusPolicy(Qt::ClickFocus);

    // Every event handler runs inside the guard; no action starts while a load runs.
    connect(btCancelar, &QPushButton::clicked, this, accao([this] { btCancelar_Click(); }));
    connect(btSair, &QPushButton::clicked, this, accao([this] { btSair_Click(); }));
    connect(btCarga, &QPushButton::clicked, this, accao([this] { btCarga_Click(); }));
    connect(btMarcar, &QPushButton::clicked, this, accao([this] { btMarcar_Click(); }));
    connect(btEnc, &QPushButton::clicked, this, accao([this] { btEnc_Click(); }));
    connect(btDocumentos, &QPushButton::clicked, this, accao([this] { btDocumentos_Click(); }));
    // Ctrl+P anywhere in the window: the last Guia's preview. Not while a run
    // or a load has the actions disabled.
    connect(new QShortcut(QKeySequence::Print, this), &QShortcut::activated, this, accao([this] {
                if (btEnc->isEnabled())
                    imprimirUltima();
            }));
    for (int i : {0, 1})
        connect(btFx[static_cast<size_t>(i)], &QPushButton::clicked, this, accao([this, i] { btFx_Click(i); }));
    for (int i = 0; i < 4; ++i) {
        CampoEntrada* f = campo[static_cast<size_t>(i)];
        f->aoValidar = [this, i](bool& cancelar) { m_guarda([&] { campo_Validate(i, cancelar); }); };
        f->aoPerderFoco = [this, i] { m_guarda([&] { campo_LostFocus(i); }); };
        f->aoPremirTecla = [this, i](int& tecla) { m_guarda([&] { campo_KeyPress(i, tecla); }); };
        f->aoEditar = [this] { m_importacao.definirValidarCampo(true); };
        f->aoPedirLista = accao([this, i] { btFx_Click(i); });
    }
    grelha->aoAlterarValor = [this] { m_guarda([this] { Grelha_ValorAlterado(); }); };
    grelha->antesDeConfirmar = [this](const QModelIndex& celula, const QString& texto, QVariant& anterior,
                                      bool& cancelar) {
        m_guarda([&] { Grelha_AntesDeConfirmar(celula, texto, anterior, cancelar); });
    };
}
