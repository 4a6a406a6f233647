#include "DialogoPrevisao.h"

#include "Guarda.h"

#include <QDialogButtonBox>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

DialogoPrevisao::DialogoPrevisao(const QString& titulo, std::function<void(QPagedPaintDevice&)> desenhar,
                                 Guarda& guarda, QWidget* pai)
    : QDialog(pai), m_desenhar(std::move(desenhar)), m_guarda(guarda), m_previsao(new QPrintPreviewWidget(this)) {
    setWindowTitle(titulo);
    setObjectName(QStringLiteral("previsao"));
    m_previsao->setObjectName(QStringLiteral("paginas"));
    connect(m_previsao, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter* printer) { m_guarda([&] { m_desenhar(*printer); }); });

    auto* botoes = new QDialogButtonBox(this);
    QPushButton* imprimir = botoes->addButton(QStringLiteral("&Imprimir"), QDialogButtonBox::ActionRole);
    QPushButton* guardar = botoes->addButton(QStringLiteral("Guardar &PDF..."), QDialogButtonBox::ActionRole);
    QPushButton* fechar = botoes->addButton(QStringLiteral("&Fechar"), QDialogButtonBox::RejectRole);
    imprimir->setObjectName(QStringLiteral("imprimir"));
    guardar->setObjectName(QStringLiteral("guardar"));
    fechar->setObjectName(QStringLiteral("fechar"));
    imprimir->setToolTip(QStringLiteral("Imprimir na impressora por omissão (Ctrl+P)"));
    guardar->setToolTip(QStringLiteral("Guardar como PDF (Ctrl+S)"));
    connect(imprimir, &QPushButton::clicked, this, &DialogoPrevisao::imprimirPedido);
    connect(guardar, &QPushButton::clicked, this, &DialogoPrevisao::guardarPedido);
    connect(fechar, &QPushButton::clicked, this, &QDialog::reject);

    const auto atalho = [this](const QKeySequence& teclas, auto&& accao) {
        connect(new QShortcut(teclas, this), &QShortcut::activated, this, accao);
    };
    atalho(QKeySequence::Print, [this] { Q_EMIT imprimirPedido(); });
    atalho(QKeySequence::Save, [this] { Q_EMIT guardarPedido(); });
    atalho(QKeySequence(Qt::Key_PageDown), [this] { irPara(paginaActual() + 1); });
    atalho(QKeySequence(Qt::Key_PageUp), [this] { irPara(paginaActual() - 1); });
    atalho(QKeySequence(Qt::Key_Home), [this] { irPara(1); });
    atalho(QKeySequence(Qt::Key_End), [this] { irPara(paginas()); });
    atalho(QKeySequence::ZoomIn, [this] { m_previsao->zoomIn(); });
    atalho(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { m_previsao->zoomIn(); });
    atalho(QKeySequence::ZoomOut, [this] { m_previsao->zoomOut(); });
    atalho(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { m_previsao->fitInView(); });
    atalho(QKeySequence(Qt::CTRL | Qt::Key_1), [this] { m_previsao->setZoomFactor(1); });

    auto* disposicao = new QVBoxLayout(this);
    disposicao->addWidget(m_previsao, 1);
    disposicao->addWidget(botoes);
    m_previsao->setFocus();
    resize(900, 1000);
}

void DialogoPrevisao::actualizar() {
    m_previsao->updatePreview();
}

int DialogoPrevisao::paginas() const {
    return m_previsao->pageCount();
}

int DialogoPrevisao::paginaActual() const {
    return m_previsao->currentPage();
}

double DialogoPrevisao::zoom() const {
    return m_previsao->zoomFactor();
}

void DialogoPrevisao::irPara(int pagina) {
    m_previsao->setCurrentPage(qBound(1, pagina, paginas()));
}
