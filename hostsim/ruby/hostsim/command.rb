module UI
  # A user action that menus and toolbars share; its validation proc decides whether it
  # shows enabled, greyed or checked. Scripts click it with #invoke and read #state.
  class Command
    attr_accessor :tooltip, :status_bar_text, :menu_text, :small_icon, :large_icon, :extension
    attr_reader :text, :proc

    def initialize(text, &block)
      raise ArgumentError, 'UI::Command.new needs a block' unless block

      @text = text.to_s
      @menu_text = @text
      @proc = block
      @validation = nil
    end

    def set_validation_proc(&block)
      @validation = block
      self
    end

    def get_validation_proc = @validation

    # What a click does.
    def invoke = @proc.call

    # What SketchUp asks before drawing the command: the validation proc's answer.
    def state = @validation ? @validation.call : MF_ENABLED
    def enabled? = (state & (MF_GRAYED | MF_DISABLED)).zero?
    def checked? = (state & MF_CHECKED) != 0
  end
end
