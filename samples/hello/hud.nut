// The class of the project's own 2D scene (hud.zns): a line of text along the
// bottom of the screen, over the game.

class Hud {
    function OnSetup(ui) {
        UISetInternalResolution(ui, g_width, g_height);
        local window = UIAddWindow(ui, 1, 32, g_height - 72, g_width - 64, 48);
        local text = UIAddStaticTextWidget(ui, 2, "Kestrin crate drop: a project shows the scene of samples/scene.", "default");
        TextSetSize(text, 32);
        TextSetColor(text, 255, 255, 255, 255);
        WindowSetBaseWidget(window, text);
        print("The project's 2D layer shows its text.");
    }
}
