module UI
  # An HTML dialog, recorded and never rendered. Scripts find a plug-in's dialogs with
  # HostSim.html_dialogs, read what was set on them, and can call their Ruby callbacks as
  # the page would (#call_action).
  class HtmlDialog
    STYLE_DIALOG = 0
    STYLE_WINDOW = 1
    STYLE_UTILITY = 2

    attr_reader :properties, :html, :url, :file, :executed_scripts

    def initialize(properties = {})
      @properties = properties.to_h.transform_keys(&:to_sym)
      @visible = false
      @modal = false
      @callbacks = {}
      @executed_scripts = []
      HostSim.html_dialogs << self
    end

    def title = @properties[:dialog_title].to_s
    def style = @properties.fetch(:style, STYLE_DIALOG)
    def visible? = @visible
    def modal? = @modal

    def set_html(html) = load_content(html: html.to_s)
    def set_url(url) = load_content(url: url.to_s)
    def set_file(file) = load_content(file: file.to_s)

    def show = open(modal: false)
    def show_modal = open(modal: true)

    def close
      return nil unless @visible
      return nil if @can_close && !@can_close.call

      @visible = false
      @callbacks.clear # SketchUp forgets a closed dialog's callbacks
      @on_closed&.call
      nil
    end

    def add_action_callback(name, &block)
      @callbacks[name.to_s] = block
      true
    end

    def execute_script(script)
      @executed_scripts << script.to_s
      nil
    end

    def set_can_close(&block)
      @can_close = block
      true
    end

    def set_on_closed(&block)
      @on_closed = block
      true
    end

    def center = true
    def bring_to_front = nil
    def set_size(_width, _height) = true
    def set_position(_left, _top) = true

    # What the page's `sketchup.<name>(args...)` does.
    def call_action(name, *args)
      callback = @callbacks[name.to_s] or raise ArgumentError, "no action callback #{name.inspect}"
      callback.call(nil, *args)
    end

    private

    def load_content(html: nil, url: nil, file: nil)
      @html = html
      @url = url
      @file = file
      nil
    end

    def open(modal:)
      @visible = true
      @modal = modal
      true
    end
  end

  # SketchUp's older dialog class, present so that code naming it loads; it shows nothing.
  class WebDialog
    def initialize(*) = nil
    def visible? = false

    %i[set_html set_url set_file show show_modal close add_action_callback execute_script
       set_size set_position].each { |name| define_method(name) { |*| nil } }
  end
end

module HostSim
  def self.html_dialogs = (@html_dialogs ||= [])
end
