module HostSim
  # How each toolbar was left when the previous SketchUp session ended, by toolbar name
  # (TB_VISIBLE or TB_HIDDEN; absent = never shown). Scripts fill it before the plug-in loads.
  def self.toolbar_last_state = (@toolbar_last_state ||= {})

  # The toolbars created so far, by name.
  def self.toolbars = UI::Toolbar.all.dup
  def self.toolbar(name) = UI::Toolbar.all[name.to_s]
end

module UI
  # A toolbar of commands and separators. #each (and so #to_a) gives the items in order,
  # a separator as "|", as SketchUp's does.
  class Toolbar
    include Enumerable

    SEPARATOR = '|'

    @all = {}
    class << self
      attr_reader :all
    end

    attr_reader :name

    def initialize(name)
      @name = name.to_s
      @items = []
      @visible = false
      Toolbar.all[@name] = self
    end

    def add_item(command)
      raise TypeError, "expected a UI::Command, got #{command.class}" unless command.is_a?(UI::Command)

      @items << command
      self
    end

    def add_separator(*)
      @items << SEPARATOR
      self
    end

    def each(&block)
      return enum_for(:each) unless block

      @items.each(&block)
      nil
    end

    def length = @items.length
    alias size length

    def visible? = @visible

    def show
      @visible = true
      nil
    end

    def hide
      @visible = false
      nil
    end

    def get_last_state = HostSim.toolbar_last_state.fetch(@name, TB_NEVER_SHOWN)

    # Back where the user left it: shown unless the user had closed it.
    def restore
      @visible = true unless get_last_state == TB_HIDDEN
      nil
    end
  end

  def self.toolbar(name) = Toolbar.all[name.to_s] || Toolbar.new(name)
  def self.toolbar_names = Toolbar.all.keys
  def self.toolbar_visible?(name) = Toolbar.all[name.to_s]&.visible? || false

  def self.set_toolbar_visible(name, visible)
    toolbar = Toolbar.all[name.to_s] or return false
    visible ? toolbar.show : toolbar.hide
    true
  end
end
